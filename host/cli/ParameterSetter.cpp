#include "host/cli/ParameterSetter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace
{

// Points of the first sweep over 0..1. Enough to see every step of a parameter with up to a
// couple of hundred steps (QUAR2's finest has 91); continuous parameters are refined by bisection.
constexpr int kSweepPoints = 400;
constexpr int kBisections = 40;
// Up to this many distinct display texts are listed in full in an error.
constexpr size_t kListLimit = 40;

std::string lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s)
{
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        --b;
    return s.substr(a, b - a);
}

// "Pull Up [dB]" -> "pull up", "[Display Speed]" -> "display speed": the name without a
// trailing unit in brackets and without bracket characters, for loose matching.
std::string withoutBrackets(const std::string& name)
{
    std::string n = trim(name);
    if (!n.empty() && (n.back() == ']' || n.back() == ')'))
    {
        const size_t open = n.find_last_of(n.back() == ']' ? '[' : '(');
        if (open != std::string::npos && open > 0) n = n.substr(0, open);
    }
    std::string out;
    for (char c : n)
        if (c != '[' && c != ']' && c != '(' && c != ')') out += c;
    return lower(trim(out));
}

struct Point
{
    float p;
    std::string text; // display text
    bool numeric;
    double number;
    std::string unit; // text after the number, if any
    int decimals;
};

Point probe(CPluginInstance& plugin, int index, float p)
{
    plugin.setParameter(index, p);
    Point pt{p, trim(plugin.parameterDisplay(index)), false, 0, {}, 0};
    pt.numeric = parseNumberWithUnit(pt.text, pt.number, pt.unit, &pt.decimals);
    return pt;
}

// A displayed number matches the request when they agree to the precision shown.
bool numberMatches(const Point& pt, double target)
{
    const double tolerance = 0.5 * std::pow(10.0, -pt.decimals) + 1e-9 * std::fabs(target);
    return pt.numeric && std::fabs(pt.number - target) <= tolerance;
}

std::string quoteList(const std::vector<std::string>& items)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? ", \"" : "\"") + items[i] + "\"";
    return out;
}

// "Pull Up [dB]" -> "dB": the unit some plug-ins put in the name instead of the label.
std::string bracketedUnit(const std::string& name)
{
    const size_t open = name.find('[');
    const size_t close = name.find(']', open == std::string::npos ? 0 : open);
    if (open == std::string::npos || close == std::string::npos) return {};
    return trim(name.substr(open + 1, close - open - 1));
}

// The values a parameter accepts, for an error message: every display text when there are few,
// otherwise the numeric range or a sample.
std::string describeValidValues(const std::vector<Point>& sweep, const std::string& label)
{
    std::vector<std::string> distinct;
    std::set<std::string> seen;
    bool allNumeric = true;
    const Point* lo = nullptr;
    const Point* hi = nullptr;
    for (const Point& pt : sweep)
    {
        if (seen.insert(pt.text).second) distinct.push_back(pt.text);
        if (!pt.numeric || !pt.unit.empty())
        {
            allNumeric = false;
            continue;
        }
        if (lo == nullptr || pt.number < lo->number) lo = &pt;
        if (hi == nullptr || pt.number > hi->number) hi = &pt;
    }
    if (distinct.size() <= kListLimit) return "valid values: " + quoteList(distinct);
    if (allNumeric && lo != nullptr)
        return "valid values: numbers from " + lo->text + " to " + hi->text +
               (label.empty() ? "" : " " + label) + ", as the plug-in displays them";
    return "valid values include: " +
           quoteList(std::vector<std::string>(distinct.begin(), distinct.begin() + 12)) +
           ", ... (" + std::to_string(distinct.size()) + " in all)";
}

} // namespace

std::string normaliseDisplayText(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            out += char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool parseNumberWithUnit(const std::string& text, double& number, std::string& unit, int* decimals)
{
    const std::string t = trim(text);
    if (t.empty()) return false;
    const char* begin = t.c_str();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(v)) return false;
    // Hex floats, "inf" and "nan" are not display numbers.
    for (const char* c = begin; c < end; ++c)
        if (!(std::isdigit(static_cast<unsigned char>(*c)) || *c == '.' || *c == '-' || *c == '+' ||
              *c == 'e' || *c == 'E'))
            return false;
    if (decimals != nullptr)
    {
        const char* dot = std::find(begin, static_cast<const char*>(end), '.');
        int d = 0;
        if (dot != end)
            for (const char* c = dot + 1; c < end && std::isdigit(static_cast<unsigned char>(*c));
                 ++c)
                ++d;
        *decimals = d;
    }
    unit = trim(std::string(end));
    number = v == 0.0 ? 0.0 : v; // no negative zero
    return true;
}

int findParameter(CPluginInstance& plugin, const std::string& name, std::string& error)
{
    const int count = plugin.info().numParams;
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(trim(plugin.parameterName(i)));
    const std::string wanted = trim(name);
    for (int i = 0; i < count; ++i)
        if (names[size_t(i)] == wanted) return i;
    auto unique = [&](auto key)
    {
        int found = -1;
        for (int i = 0; i < count; ++i)
            if (key(names[size_t(i)]) == key(wanted))
            {
                if (found >= 0) return -2;
                found = i;
            }
        return found;
    };
    int i = unique([](const std::string& s) { return lower(s); });
    if (i == -1) i = unique(withoutBrackets);
    if (i >= 0) return i;
    if (count == 0)
        error = "unknown parameter \"" + wanted + "\": the plug-in has no parameters";
    else
        error = std::string(i == -2 ? "ambiguous" : "unknown") + " parameter \"" + wanted +
                "\"; valid names: " + quoteList(names);
    return -1;
}

bool applyParameterSetting(CPluginInstance& plugin, const std::string& setting,
                           ParameterAssignment& result, std::string& error)
{
    const size_t eq = setting.find('=');
    if (eq == std::string::npos || eq == 0)
    {
        error = "--set needs NAME=VALUE, got \"" + setting + "\"";
        return false;
    }
    const int index = findParameter(plugin, setting.substr(0, eq), error);
    if (index < 0) return false;
    const std::string paramName = trim(plugin.parameterName(index));
    const std::string label = trim(plugin.parameterLabel(index));
    const std::string value = trim(setting.substr(eq + 1));
    const float original = plugin.getParameter(index);

    std::vector<Point> sweep;
    sweep.reserve(kSweepPoints + 1);
    for (int i = 0; i <= kSweepPoints; ++i)
        sweep.push_back(probe(plugin, index, float(i) / kSweepPoints));
    if (plugin.failed())
    {
        error = plugin.failure();
        return false;
    }

    // A value that reads as a display text (a step name, or a number as the plug-in writes it,
    // with or without the label) selects the middle of the run of points showing that text,
    // which lies safely inside the step whatever the plug-in's rounding. A plain number also
    // matches a purely numeric display that shows it to the display's precision.
    const std::string want = normaliseDisplayText(value);
    double target = 0;
    std::string unit;
    const std::string nameUnit = bracketedUnit(paramName);
    const bool isNumber =
        parseNumberWithUnit(value, target, unit) &&
        (unit.empty() || normaliseDisplayText(unit) == normaliseDisplayText(label) ||
         normaliseDisplayText(unit) == normaliseDisplayText(nameUnit));
    auto matches = [&](const Point& pt)
    {
        if (normaliseDisplayText(pt.text) == want || normaliseDisplayText(pt.text + label) == want)
            return true;
        return isNumber && pt.numeric && pt.unit.empty() && numberMatches(pt, target);
    };
    float chosen = -1;
    for (size_t i = 0; i < sweep.size() && chosen < 0; ++i)
    {
        if (!matches(sweep[i])) continue;
        size_t j = i;
        while (j + 1 < sweep.size() && sweep[j + 1].text == sweep[i].text)
            ++j;
        chosen = (sweep[i].p + sweep[j].p) / 2;
    }
    // A number between two sweep points: bisect where the displayed number crosses it. When no
    // point shows the number itself (a continuous parameter cannot land on every number; a
    // stepped one jumps over it), the nearest value found is used and the user is told.
    std::string note;
    for (size_t i = 0; isNumber && i + 1 < sweep.size() && chosen < 0; ++i)
    {
        const Point& a = sweep[i];
        const Point& b = sweep[i + 1];
        if (!a.numeric || !b.numeric || !a.unit.empty() || !b.unit.empty() || a.number == b.number)
            continue;
        if ((target - a.number) * (target - b.number) > 0) continue;
        const bool rising = b.number > a.number;
        float lo = a.p, hi = b.p;
        Point best = std::fabs(a.number - target) < std::fabs(b.number - target) ? a : b;
        bool onlyEnds = true; // every probe showed a's or b's value: a step lies between them
        for (int k = 0; k < kBisections && !numberMatches(best, target); ++k)
        {
            const float mid = (lo + hi) / 2;
            if (mid <= lo || mid >= hi) break;
            const Point m = probe(plugin, index, mid);
            if (!m.numeric) break;
            onlyEnds = onlyEnds && (m.number == a.number || m.number == b.number);
            if (std::fabs(m.number - target) < std::fabs(best.number - target)) best = m;
            if ((m.number < target) == rising)
                lo = mid;
            else
                hi = mid;
        }
        if (numberMatches(best, target))
        {
            chosen = best.p;
        }
        else if (onlyEnds)
        {
            // The middle of the run of sweep points showing the nearer step.
            size_t first = i + 1, last = i + 1;
            if (best.number == a.number) first = last = i;
            while (first > 0 && sweep[first - 1].text == sweep[first].text)
                --first;
            while (last + 1 < sweep.size() && sweep[last + 1].text == sweep[last].text)
                ++last;
            chosen = (sweep[first].p + sweep[last].p) / 2;
            char step[64];
            std::snprintf(step, sizeof step, "%.*f", std::max(a.decimals, b.decimals),
                          std::fabs(b.number - a.number));
            note = value + " lies between the steps " + a.text + " and " + b.text +
                   "; the parameter moves in steps of " + step +
                   (label.empty() ? "" : " " + label) + ", the nearer one is used";
        }
        else
        {
            chosen = best.p;
            note = "the nearest value the parameter takes to " + value;
        }
    }

    if (chosen < 0)
    {
        plugin.setParameter(index, original);
        error = "invalid value \"" + value + "\" for parameter \"" + paramName + "\"; " +
                describeValidValues(sweep, label);
        return false;
    }

    plugin.setParameter(index, chosen);
    result.index = index;
    result.normalised = chosen;
    result.name = paramName;
    result.display = trim(plugin.parameterDisplay(index)) + (label.empty() ? "" : " " + label);
    result.note = note;
    if (plugin.failed())
    {
        error = plugin.failure();
        return false;
    }
    return true;
}

std::string describeParameterRange(CPluginInstance& plugin, int index)
{
    const float original = plugin.getParameter(index);
    const std::string label = trim(plugin.parameterLabel(index));
    std::vector<Point> sweep;
    for (int i = 0; i <= kSweepPoints; ++i)
        sweep.push_back(probe(plugin, index, float(i) / kSweepPoints));
    plugin.setParameter(index, original);
    std::vector<std::string> distinct;
    std::vector<double> numbers;
    std::set<std::string> seen;
    bool numeric = true;
    const Point* lo = &sweep.front();
    const Point* hi = &sweep.front();
    for (const Point& pt : sweep)
    {
        if (!seen.insert(pt.text).second) continue;
        distinct.push_back(pt.text);
        numeric = numeric && pt.numeric && pt.unit.empty();
        if (!numeric) continue;
        numbers.push_back(pt.number);
        if (pt.number < lo->number) lo = &pt;
        if (pt.number > hi->number) hi = &pt;
    }
    if (!numeric)
    {
        if (distinct.size() <= 12) return quoteList(distinct);
        return std::to_string(distinct.size()) + " values from \"" + distinct.front() + "\" to \"" +
               distinct.back() + "\"";
    }
    const std::string unit = label.empty() ? "" : " " + label;
    const std::string span = lo->text + " to " + hi->text + unit;
    if (distinct.size() == sweep.size()) return span + ", continuous";
    std::sort(numbers.begin(), numbers.end());
    double step = numbers.size() > 1 ? numbers[1] - numbers[0] : 0;
    for (size_t i = 1; i < numbers.size(); ++i)
        if (std::fabs(numbers[i] - numbers[i - 1] - step) > 1e-6 * std::max(1.0, std::fabs(step)))
            step = 0;
    if (step <= 0) return span + " in " + std::to_string(numbers.size()) + " values";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", std::max(lo->decimals, hi->decimals), step);
    return span + " in " + std::to_string(numbers.size()) + " steps of " + text + unit;
}
