#include "runtime/XlatFiles.h"

#include <cstdio>

#include "runtime/ModulePath.h"
#include "runtime/ScriptValue.h"

CXlatFiles::~CXlatFiles()
{
    for (size_t i = 0; i < files.size(); ++i)
        FlushSlot(static_cast<int32_t>(i));
}

FileSlot* CXlatFiles::Slot(int32_t slot)
{
    if (slot < 0 || static_cast<size_t>(slot) >= files.size()) return nullptr;
    return &files[static_cast<size_t>(slot)];
}

const FileSlot* CXlatFiles::Slot(int32_t slot) const
{
    if (slot < 0 || static_cast<size_t>(slot) >= files.size()) return nullptr;
    return &files[static_cast<size_t>(slot)];
}

bool CXlatFiles::FileWrite(int32_t slot, double value)
{
    FileSlot* s = Slot(slot);
    if (s == nullptr || s->mode != FileSlot::kWrite) return false;
    if (s->position < 0 || s->position >= kMaxSlotValues) return false;
    const size_t at = static_cast<size_t>(s->position);
    if (s->buffer.size() <= at) s->buffer.resize(at + 1, 0.0f);
    s->buffer[at] = static_cast<float>(value);
    ++s->position;
    return true;
}

bool CXlatFiles::FileRead(int32_t slot, double& variable)
{
    FileSlot* s = Slot(slot);
    if (s == nullptr || s->mode != FileSlot::kRead) return false;
    if (s->position < 0 || static_cast<size_t>(s->position) >= s->buffer.size()) return false;
    variable = static_cast<double>(s->buffer[static_cast<size_t>(s->position)]);
    ++s->position;
    return true;
}

bool CXlatFiles::FileVar(int32_t slot, double& variable)
{
    switch (FileMode(slot))
    {
    case FileSlot::kWrite:
        return FileWrite(slot, variable);
    case FileSlot::kRead:
        return FileRead(slot, variable);
    default:
        return false;
    }
}

int32_t CXlatFiles::FileMode(int32_t slot) const
{
    const FileSlot* s = Slot(slot);
    return s != nullptr ? s->mode : FileSlot::kClosed;
}

int32_t CXlatFiles::FileLength(int32_t slot) const
{
    const FileSlot* s = Slot(slot);
    return s != nullptr ? static_cast<int32_t>(s->buffer.size()) : 0;
}

void CXlatFiles::FlushSlot(int32_t slot)
{
    FileSlot* s = Slot(slot);
    if (s == nullptr || s->mode != FileSlot::kWrite || s->path.empty()) return;
    FILE* f = std::fopen(DataPath(s->path).c_str(), "wb");
    if (f == nullptr) return;
    for (float v : s->buffer)
        std::fputc(static_cast<int>(static_cast<uint32_t>(ScriptInt(v)) & 0xFFu), f);
    std::fclose(f);
}

void CXlatFiles::ResetSlot(int32_t slot, int32_t mode)
{
    FileSlot* s = Slot(slot);
    if (s == nullptr) return;
    FlushSlot(slot);
    s->path.clear();
    s->buffer.clear();
    s->position = 0;
    s->mode = mode;
}
