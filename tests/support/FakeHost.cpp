#include "tests/support/FakeHost.h"

double CFakeHost::getTempo()
{
    ++timeRequests;
    return tempo;
}

void CFakeHost::getTempoAndTimeSig(double& t, double& num, double& den)
{
    ++timeRequests;
    t = tempo;
    num = numerator;
    den = denominator;
}

bool CFakeHost::isPlaying()
{
    ++timeRequests;
    return playing;
}

bool CFakeHost::isRecording()
{
    ++timeRequests;
    return recording;
}

double CFakeHost::getPpqPosition()
{
    ++timeRequests;
    return ppq;
}

double CFakeHost::getBarStart()
{
    ++timeRequests;
    return barStart;
}

int32_t CFakeHost::setLatency(int32_t frames)
{
    ++latencyCalls;
    lastLatency = frames;
    return 1;
}

int32_t CFakeHost::redrawEditor()
{
    ++redraws;
    return 1;
}

bool CFakeHost::getEditorSize(int32_t& width, int32_t& height)
{
    if (!hasEditor) return false;
    width = kEditorWidth;
    height = kEditorHeight;
    return true;
}
