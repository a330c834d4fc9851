#include "app/frame_broadcasts.h"

struct FrameBroadcasts::Filter {};

FrameBroadcasts::FrameBroadcasts(CMainFrame&) {}
FrameBroadcasts::~FrameBroadcasts() = default;
