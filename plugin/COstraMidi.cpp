// COstra's MIDI: the ring of received events and the two send calls the runtime offers its
// script. The ring has one writer (processEvents) and one reader (the runtime's receive call),
// both on the host's audio thread, so plain indices suffice.

#include <cstring>

#include "plugin/COstra.h"

VstInt32 COstra::processEvents(VstEvents* events)
{
    if (!events) return 0;
    // A negative count carries no events; null entries in the list are skipped.
    for (VstInt32 i = 0; i < events->numEvents; ++i)
    {
        const VstEvent* event = events->events[i];
        if (!event || event->type != kVstMidiType) continue;
        std::memcpy(&midiEvents[static_cast<size_t>(midiWriteIndex)], event, sizeof(VstMidiEvent));
        if (++midiWriteIndex >= kMidiRingSize) midiWriteIndex = 0;
    }
    return 1;
}

bool COstra::receiveMidi(int32_t& deltaFrames, int32_t& b0, int32_t& b1, int32_t& b2)
{
    if (midiReadIndex == midiWriteIndex)
    {
        deltaFrames = b0 = b1 = b2 = 0;
        return false;
    }
    const VstMidiEvent& event = midiEvents[static_cast<size_t>(midiReadIndex)];
    deltaFrames = event.deltaFrames;
    // MIDI bytes are 0..255; the event keeps them as char, read here without sign.
    b0 = static_cast<unsigned char>(event.midiData[0]);
    b1 = static_cast<unsigned char>(event.midiData[1]);
    b2 = static_cast<unsigned char>(event.midiData[2]);
    if (++midiReadIndex >= kMidiRingSize) midiReadIndex = 0;
    return true;
}

bool COstra::sendMidi(int32_t deltaFrames, int32_t b0, int32_t b1, int32_t b2)
{
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(b0);
    event.midiData[1] = static_cast<char>(b1);
    event.midiData[2] = static_cast<char>(b2);
    VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&event);
    return sendVstEventsToHost(&list);
}

bool COstra::sendSysex(int32_t deltaFrames, const void* dump, int32_t size)
{
    VstMidiSysexEvent event{};
    event.type = kVstSysExType;
    event.byteSize = sizeof(VstMidiSysexEvent);
    event.deltaFrames = deltaFrames;
    event.dumpBytes = size;
    // The host only reads the dump; the interface declares the pointer without const.
    event.sysexDump = static_cast<char*>(const_cast<void*>(dump));
    VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&event);
    return sendVstEventsToHost(&list);
}
