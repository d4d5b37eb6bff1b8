#include "host/cli/FactoryPresets.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "host/cli/Commands.h"

namespace fs = std::filesystem;

namespace
{

// The folders searched, in order: beside an installed program, then the source tree's.
std::vector<fs::path> presetFolders()
{
    std::vector<fs::path> folders;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) folders.push_back(exe.parent_path().parent_path() / "share" / "quar2" / "presets");
#ifdef QUAR2_FACTORY_PRESETS
    folders.push_back(QUAR2_FACTORY_PRESETS);
#endif
    return folders;
}

std::string describe(const fs::path& folder, const std::string& name)
{
    std::ifstream index(folder / "index.txt");
    std::string line;
    while (std::getline(index, line))
    {
        if (line.compare(0, name.size(), name) != 0 || line.size() <= name.size() ||
            line[name.size()] != ' ')
            continue;
        const size_t text = line.find_first_not_of(' ', name.size());
        return text == std::string::npos ? std::string() : line.substr(text);
    }
    return {};
}

} // namespace

std::vector<FactoryPreset> factoryPresets()
{
    for (const fs::path& folder : presetFolders())
    {
        std::vector<FactoryPreset> found;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        {
            const fs::path& file = it->path();
            if (file.extension() != ".fxp" || !it->is_regular_file(ec)) continue;
            const std::string name = file.stem().string();
            found.push_back({name, file.string(), describe(folder, name)});
        }
        if (found.empty()) continue;
        std::sort(found.begin(), found.end(),
                  [](const FactoryPreset& a, const FactoryPreset& b) { return a.name < b.name; });
        return found;
    }
    return {};
}

bool resolvePresetArgument(std::string& argument, std::string& error)
{
    std::error_code ec;
    if (argument.empty() || fs::exists(argument, ec) || argument.find('/') != std::string::npos ||
        fs::path(argument).extension() == ".fxp")
        return true;
    const std::vector<FactoryPreset> presets = factoryPresets();
    std::string names;
    for (const FactoryPreset& p : presets)
    {
        if (p.name == argument)
        {
            argument = p.path;
            return true;
        }
        names += (names.empty() ? "" : ", ") + p.name;
    }
    error = "--preset " + argument + ": no such file and no factory preset of that name (" +
            (names.empty() ? std::string("no factory presets are installed")
                           : "the factory presets: " + names) +
            ")";
    return false;
}

int runPresets()
{
    const std::vector<FactoryPreset> presets = factoryPresets();
    if (presets.empty()) return reportFailure("no factory presets are installed");
    for (const FactoryPreset& p : presets)
        std::printf("%-12s %s\n", p.name.c_str(), p.description.c_str());
    return 0;
}
