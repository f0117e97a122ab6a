#pragma once

#include "core/net/net_options.h"

namespace quorvel {

class CancelToken;

// Which cancel requests a wait gives way to. A protocol client saying goodbye after a cancelled
// transfer waits only for close requests (and its own, short, deadline).
enum class CancelScope { Any, ClosingOnly };

// Waits until the socket is ready for `events` (or reports an error or hang-up, which the next
// call on it will tell), the deadline passes (raises its error) or the token asks to stop
// (raises Cancelled at once; close requests only with ClosingOnly, looked for in short slices).
void waitReady(int socket, short events, const Deadline& deadline, const CancelToken* cancel,
               CancelScope scope = CancelScope::Any);

} // namespace quorvel
