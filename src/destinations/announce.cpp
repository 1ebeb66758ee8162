// The news of a finished hand-off, passed to whoever listens (the tray window).
#include <atomic>

#include "destinations/destinations.h"

namespace {

// Set by the window thread at start-up; read by the dispatching thread.
std::atomic<DestinationResultListener> g_listener{nullptr};

}  // namespace

void SetDestinationResultListener(DestinationResultListener listener) { g_listener = listener; }

void AnnounceDestinationResult(DestinationResult result, const char* what)
{
    if (DestinationResultListener listener = g_listener.load())
        listener(result, what);
}
