// The drawing session on Linux: cairo needs no start-up or shutdown of its own, so the session
// only bounds the life of the platform fonts (see DrawingSession.cpp).
#include "gui/DrawingSession.h"

void DrawingSession::startPlatform() {}

void DrawingSession::stopPlatform() {}
