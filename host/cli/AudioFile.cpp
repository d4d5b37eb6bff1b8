#include "host/cli/AudioFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

bool CAudioReader::open(const std::string& path, std::string& error)
{
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = path + ": is a folder, not an audio file";
        return false;
    }
    info_ = SF_INFO{};
    file_ = sf_open(path.c_str(), SFM_READ, &info_);
    if (file_ == nullptr) {
        error = path + ": unreadable or unsupported audio file (" + sf_strerror(nullptr) + ")";
        return false;
    }
    if (info_.channels < 1 || info_.channels > 2) {
        error = path + ": has " + std::to_string(info_.channels) +
                " channels; only mono and stereo files can be processed";
        return false;
    }
    if (info_.samplerate < 1000 || info_.samplerate > 768000) {
        error = path + ": unsupported sample rate " + std::to_string(info_.samplerate) + " Hz";
        return false;
    }
    return true;
}

CAudioReader::~CAudioReader()
{
    if (file_ != nullptr)
        sf_close(file_);
}

int CAudioReader::read(float* left, float* right, int frames)
{
    if (file_ == nullptr || frames <= 0)
        return 0;
    interleaved_.resize(size_t(frames) * size_t(info_.channels));
    const sf_count_t got = sf_readf_float(file_, interleaved_.data(), frames);
    const int n = got > 0 ? int(got) : 0;
    for (int i = 0; i < n; ++i) {
        if (info_.channels == 1) {
            left[i] = right[i] = interleaved_[size_t(i)];
        } else {
            left[i] = interleaved_[2 * size_t(i)];
            right[i] = interleaved_[2 * size_t(i) + 1];
        }
    }
    return n;
}

bool CAudioWriter::open(const std::string& path, const SF_INFO& format, std::string& error)
{
    path_ = path;
    info_ = SF_INFO{};
    info_.samplerate = format.samplerate;
    info_.channels = format.channels;
    info_.format = format.format;
    if (!sf_format_check(&info_)) {
        error = path + ": libsndfile cannot write the input's format";
        return false;
    }
    pending_ = std::make_unique<CPendingFile>(path);
    if (!pending_->ok()) {
        error = pending_->error();
        return false;
    }
    file_ = sf_open_fd(pending_->fd(), SFM_WRITE, &info_, SF_FALSE);
    if (file_ == nullptr) {
        error = path + ": cannot write audio (" + sf_strerror(nullptr) + ")";
        return false;
    }
    // Levels above full scale clip in integer formats instead of wrapping around.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

CAudioWriter::~CAudioWriter()
{
    if (file_ != nullptr)
        sf_close(file_);
}

bool CAudioWriter::write(const float* left, const float* right, int frames)
{
    if (file_ == nullptr)
        return false;
    if (frames <= 0)
        return true;
    const float* data = left;
    if (info_.channels == 2) {
        interleaved_.resize(2 * size_t(frames));
        for (int i = 0; i < frames; ++i) {
            interleaved_[2 * size_t(i)] = left[i];
            interleaved_[2 * size_t(i) + 1] = right[i];
        }
        data = interleaved_.data();
    }
    return sf_writef_float(file_, data, frames) == frames;
}

bool CAudioWriter::commit(std::string& error)
{
    if (file_ == nullptr) {
        error = path_ + ": nothing was written";
        return false;
    }
    sf_write_sync(file_);
    const int rc = sf_close(file_);
    file_ = nullptr;
    if (rc != 0) {
        error = path_ + ": cannot finish the audio file (" + sf_error_number(rc) + ")";
        return false;
    }
    return pending_->commit(error);
}
