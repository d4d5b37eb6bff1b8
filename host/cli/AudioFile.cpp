#include "host/cli/AudioFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::string lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// "out.flac" -> "flac"; empty when the file name has none.
std::string extensionOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = base.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? std::string() : lower(base.substr(dot + 1));
}

// The major format libsndfile's tables give an extension; 0 when none does.
int majorForExtension(const std::string& ext, std::string& known)
{
    int found = 0;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i)
    {
        SF_FORMAT_INFO f{};
        f.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &f, sizeof f) != 0 || !f.extension) continue;
        known += (known.empty() ? "" : ", ") + std::string(f.extension);
        if (found == 0 && ext == lower(f.extension)) found = f.format & SF_FORMAT_TYPEMASK;
    }
    // The simple-format table knows a few more spellings ("aif", "oga").
    sf_command(nullptr, SFC_GET_SIMPLE_FORMAT_COUNT, &count, sizeof count);
    for (int i = 0; i < count && found == 0; ++i)
    {
        SF_FORMAT_INFO f{};
        f.format = i;
        if (sf_command(nullptr, SFC_GET_SIMPLE_FORMAT, &f, sizeof f) == 0 && f.extension &&
            ext == lower(f.extension))
            found = f.format & SF_FORMAT_TYPEMASK;
    }
    if (found == 0 && ext == "aif") found = SF_FORMAT_AIFF;
    return found;
}

} // namespace

bool hasAudioExtension(const std::string& path)
{
    std::string known;
    const std::string ext = extensionOf(path);
    return !ext.empty() && (majorForExtension(ext, known) != 0 || ext == "opus");
}

namespace
{

// Subtypes to try when the new format lacks the input's: nearest in resolution first.
std::vector<int> subtypePreference(int sub)
{
    switch (sub)
    {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return {SF_FORMAT_PCM_S8, SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24};
    case SF_FORMAT_PCM_24:
        return {SF_FORMAT_PCM_24, SF_FORMAT_PCM_32, SF_FORMAT_FLOAT, SF_FORMAT_PCM_16};
    case SF_FORMAT_PCM_32:
        return {SF_FORMAT_PCM_32, SF_FORMAT_FLOAT, SF_FORMAT_PCM_24, SF_FORMAT_PCM_16};
    case SF_FORMAT_FLOAT:
        return {SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE, SF_FORMAT_PCM_32, SF_FORMAT_PCM_24,
                SF_FORMAT_PCM_16};
    case SF_FORMAT_DOUBLE:
        return {SF_FORMAT_DOUBLE, SF_FORMAT_FLOAT, SF_FORMAT_PCM_32, SF_FORMAT_PCM_24,
                SF_FORMAT_PCM_16};
    default:
        return {SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32, SF_FORMAT_FLOAT};
    }
}

std::string formatName(int format, int command)
{
    SF_FORMAT_INFO f{};
    f.format = format;
    if (sf_command(nullptr, command, &f, sizeof f) != 0 || f.name == nullptr) return "unknown";
    return f.name;
}

} // namespace

bool chooseOutputFormat(const std::string& outPath, const SF_INFO& input, SF_INFO& output,
                        std::string& error)
{
    output = SF_INFO{};
    output.samplerate = input.samplerate;
    output.channels = input.channels;
    output.format = input.format;
    const std::string ext = outPath == "-" ? std::string() : extensionOf(outPath);
    int major = input.format & SF_FORMAT_TYPEMASK;
    if (!ext.empty())
    {
        std::string known;
        const int named = majorForExtension(ext, known);
        if (named == 0)
        {
            error = outPath + ": no audio format has the extension ." + ext +
                    " (libsndfile writes " + known + ")";
            return false;
        }
        major = named;
    }
    if (major != (input.format & SF_FORMAT_TYPEMASK))
    {
        std::vector<int> subs = subtypePreference(input.format & SF_FORMAT_SUBMASK);
        subs.insert(subs.begin(), input.format & SF_FORMAT_SUBMASK);
        // Formats with no PCM at all (Ogg, MPEG): whatever they offer, in the table's order.
        int count = 0;
        sf_command(nullptr, SFC_GET_FORMAT_SUBTYPE_COUNT, &count, sizeof count);
        for (int i = 0; i < count; ++i)
        {
            SF_FORMAT_INFO f{};
            f.format = i;
            if (sf_command(nullptr, SFC_GET_FORMAT_SUBTYPE, &f, sizeof f) == 0)
                subs.push_back(f.format & SF_FORMAT_SUBMASK);
        }
        output.format = 0;
        for (int sub : subs)
        {
            SF_INFO probe = output;
            probe.format = major | sub;
            if (sf_format_check(&probe))
            {
                output.format = probe.format;
                break;
            }
        }
    }
    if (output.format == 0 || !sf_format_check(&output))
    {
        error = outPath + ": libsndfile cannot write " + formatName(major, SFC_GET_FORMAT_INFO) +
                " with " + std::to_string(input.channels) + " channel(s) at " +
                std::to_string(input.samplerate) + " Hz";
        return false;
    }
    return true;
}

std::string describeFormat(int format)
{
    return formatName(format & SF_FORMAT_TYPEMASK, SFC_GET_FORMAT_INFO) + ", " +
           formatName(format & SF_FORMAT_SUBMASK, SFC_GET_FORMAT_INFO);
}

bool clipsAtFullScale(int format)
{
    switch (format & SF_FORMAT_SUBMASK)
    {
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III:
        return false;
    default:
        return true;
    }
}

bool CAudioReader::open(const std::string& path, std::string& error)
{
    const bool fromStdin = path == "-";
    const std::string name = fromStdin ? "standard input" : path;
    struct stat st
    {
    };
    if (fromStdin ? fstat(STDIN_FILENO, &st) != 0 : stat(path.c_str(), &st) != 0)
    {
        error = name + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode))
    {
        error = path + ": is a folder, not an audio file";
        return false;
    }
    fileInfo = SF_INFO{};
    if (fromStdin)
    {
        // Most formats need to seek while reading: a pipe is copied to a temporary file first.
        int fd = S_ISREG(st.st_mode) ? dup(STDIN_FILENO) : anonymousTemporaryFile();
        if (fd >= 0 && !S_ISREG(st.st_mode))
        {
            char buffer[65536];
            ssize_t n;
            while ((n = ::read(STDIN_FILENO, buffer, sizeof buffer)) != 0)
            {
                if (n < 0 && errno == EINTR) continue;
                if (n < 0 || !writeAll(fd, buffer, size_t(n)))
                {
                    error = name + ": cannot read: " + std::strerror(errno);
                    close(fd);
                    return false;
                }
            }
            lseek(fd, 0, SEEK_SET);
        }
        if (fd < 0)
        {
            error = name + ": cannot read: " + std::strerror(errno);
            return false;
        }
        file = sf_open_fd(fd, SFM_READ, &fileInfo, SF_TRUE);
        if (file == nullptr) close(fd);
    }
    else
    {
        file = sf_open(path.c_str(), SFM_READ, &fileInfo);
    }
    if (file == nullptr)
    {
        error = name + ": unreadable or unsupported audio file (" + sf_strerror(nullptr) + ")";
        return false;
    }
    if (fileInfo.channels < 1 || fileInfo.channels > 2)
    {
        error = name + ": has " + std::to_string(fileInfo.channels) +
                " channels; only mono and stereo files can be processed";
        return false;
    }
    if (fileInfo.samplerate < 1000 || fileInfo.samplerate > 768000)
    {
        error = name + ": unsupported sample rate " + std::to_string(fileInfo.samplerate) + " Hz";
        return false;
    }
    return true;
}

CAudioReader::~CAudioReader()
{
    if (file != nullptr) sf_close(file);
}

AudioTags CAudioReader::tags() const
{
    AudioTags tags;
    for (int kind = SF_STR_FIRST; kind <= SF_STR_LAST && file != nullptr; ++kind)
        if (const char* text = sf_get_string(file, kind); text != nullptr && *text != '\0')
            tags.emplace_back(kind, text);
    return tags;
}

int CAudioReader::read(float* left, float* right, int frames)
{
    if (file == nullptr || frames <= 0) return 0;
    interleaved.resize(size_t(frames) * size_t(fileInfo.channels));
    const sf_count_t got = sf_readf_float(file, interleaved.data(), frames);
    const int n = got > 0 ? int(got) : 0;
    for (int i = 0; i < n; ++i)
    {
        if (fileInfo.channels == 1)
        {
            left[i] = right[i] = interleaved[size_t(i)];
        }
        else
        {
            left[i] = interleaved[2 * size_t(i)];
            right[i] = interleaved[2 * size_t(i) + 1];
        }
    }
    return n;
}

bool CAudioWriter::open(const OutputTarget& target, const SF_INFO& format, const AudioTags& tags,
                        std::string& error)
{
    path = target.given;
    fileInfo = format;
    pendingFile = std::make_unique<CPendingFile>(target);
    if (!pendingFile->ok())
    {
        error = pendingFile->error();
        return false;
    }
    file = sf_open_fd(pendingFile->fd(), SFM_WRITE, &fileInfo, SF_FALSE);
    if (file == nullptr)
    {
        error = path + ": cannot write audio (" + sf_strerror(nullptr) + ")";
        return false;
    }
    for (const auto& [kind, text] : tags)
        sf_set_string(file, kind, text.c_str());
    // Levels above full scale clip in integer formats instead of wrapping around.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

CAudioWriter::~CAudioWriter()
{
    if (file != nullptr) sf_close(file);
}

bool CAudioWriter::write(const float* left, const float* right, int frames)
{
    if (file == nullptr) return false;
    if (frames <= 0) return true;
    const float* data = left;
    if (fileInfo.channels == 2)
    {
        interleaved.resize(2 * size_t(frames));
        for (int i = 0; i < frames; ++i)
        {
            interleaved[2 * size_t(i)] = left[i];
            interleaved[2 * size_t(i) + 1] = right[i];
        }
        data = interleaved.data();
    }
    return sf_writef_float(file, data, frames) == frames;
}

bool CAudioWriter::finish(std::string& error)
{
    if (file == nullptr)
    {
        error = path + ": nothing was written";
        return false;
    }
    sf_write_sync(file);
    const int rc = sf_close(file);
    file = nullptr;
    if (rc != 0)
    {
        error = path + ": cannot finish the audio file (" + sf_error_number(rc) + ")";
        return false;
    }
    return true;
}
