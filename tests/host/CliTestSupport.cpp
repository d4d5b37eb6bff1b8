#include "CliTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

RunResult RunHost(const std::vector<std::string>& args, const std::string& program,
                  const std::vector<std::string>& env, const std::string& stdinPath)
{
    const std::string exe = program.empty() ? QUAR2_HOST_EXE : program;
    char outName[] = "/tmp/quar2-run-out-XXXXXX";
    char errName[] = "/tmp/quar2-run-err-XXXXXX";
    const int outFd = mkstemp(outName);
    const int errFd = mkstemp(errName);
    RunResult result;
    const pid_t pid = fork();
    if (pid == 0)
    {
        dup2(outFd, 1);
        dup2(errFd, 2);
        const int devnull = open(stdinPath.empty() ? "/dev/null" : stdinPath.c_str(), O_RDONLY);
        dup2(devnull, 0);
        for (const std::string& e : env)
            putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(exe.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    close(outFd);
    close(errFd);
    result.out = ReadText(outName);
    result.err = ReadText(errName);
    unlink(outName);
    unlink(errName);
    return result;
}

CScratchDir::CScratchDir()
{
    char dir[] = "/tmp/quar2-cli-XXXXXX";
    folder = mkdtemp(dir) ? dir : "/tmp";
}

CScratchDir::~CScratchDir()
{
    // Folders inside too (batch runs write into them), deepest first; never /tmp itself.
    if (folder.rfind("/tmp/quar2-cli-", 0) != 0) return;
    nftw(
        folder.c_str(),
        [](const char* p, const struct stat*, int, struct FTW*) { return std::remove(p), 0; }, 16,
        FTW_DEPTH | FTW_PHYS);
}

std::vector<std::string> CScratchDir::entries() const
{
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str()))
    {
        while (dirent* e = readdir(d))
        {
            const std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool WriteAudio(const std::string& path, const Audio& audio)
{
    SF_INFO info{};
    info.samplerate = audio.rate;
    info.channels = audio.channels;
    info.format = audio.format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) return false;
    const sf_count_t n = sf_writef_float(f, audio.samples.data(), audio.frames());
    sf_close(f);
    return n == audio.frames();
}

bool ReadAudio(const std::string& path, Audio& audio)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) return false;
    audio.rate = info.samplerate;
    audio.channels = info.channels;
    audio.format = info.format;
    audio.samples.assign(size_t(info.frames * info.channels), 0.0f);
    const sf_count_t n = sf_readf_float(f, audio.samples.data(), info.frames);
    sf_close(f);
    return n == info.frames;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    const std::string s = ReadText(path);
    return std::vector<unsigned char>(s.begin(), s.end());
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string FfmpegLoudness(const std::string& path)
{
    return RunHost({"-c", "ffmpeg -nostats -hide_banner -i '" + path +
                              "' -af ebur128=peak=true+sample -f null - 2>&1"},
                   "/bin/sh")
        .out;
}

double FfmpegSummary(const std::string& text, const std::string& key)
{
    const size_t summary = text.rfind("Summary:");
    size_t at = summary == std::string::npos ? summary : text.find(key, summary);
    std::string value = key;
    if (at != std::string::npos && key.find("peak") != std::string::npos)
    {
        value = "Peak:";
        at = text.find(value, at);
    }
    return at == std::string::npos ? NAN : std::atof(text.c_str() + at + value.size());
}

bool MakeSpeech(const std::string& dir, const std::string& name, const std::string& text,
                double gainDb, double pause, bool mono)
{
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "gain %.2f pad 0 %.2f", gainDb, pause);
    const std::string raw = dir + "/" + name + ".raw.wav";
    const std::string script = "espeak-ng -v en-gb -s 160 -w '" + raw + "' '" + text +
                               "' && sox '" + raw + "' -r 48000 -c " + (mono ? "1" : "2") +
                               " -b 16 '" + dir + "/" + name + "' norm -1 " + numbers +
                               " 2>/dev/null && rm '" + raw + "'";
    return RunHost({"-c", script}, "/bin/sh").status == 0;
}
