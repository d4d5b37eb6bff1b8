// The drawing session's counting, the same on every platform.
#include "gui/DrawingSession.h"

#include "gui/CFontDesc.h"

namespace
{
DrawingSession* session = nullptr; // the one instance while the session is open
int32_t startups = 0;
} // namespace

DrawingSession::DrawingSession()
{
    startPlatform();
    ++startups;
}

DrawingSession::~DrawingSession()
{
    // Fonts made in this session must not outlive it: on Windows deleting them after the
    // shutdown would call into a stopped GDI+.
    CFontDesc::discardAllPlatformFonts();
    stopPlatform();
}

void DrawingSession::enter()
{
    if (session)
        session->remember();
    else
        session = new DrawingSession();
}

void DrawingSession::exit()
{
    if (!session) return;
    const int32_t count = session->getNbReference();
    DrawingSession* last = session;
    if (count == 1)
        session = nullptr; // cleared first: the destructor must not see itself as running
    last->forget();
}

bool DrawingSession::isRunning()
{
    return session != nullptr;
}

int32_t DrawingSession::getStartupCount()
{
    return startups;
}
