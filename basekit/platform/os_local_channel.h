#pragma once
// Local channels between the processes of one user: a later start hands its
// command line to the process that owns the data directory. A channel is a
// stream socket in the file system; one request and its answer pass over
// each connection. Every call that fails throws an IOException with the
// system's error code, the platform's text and the channel's path.
#include <cstddef>

#include "basekit/platform/os_file.h"
#include "basekit/types.h"

namespace bk::os {

// Listens at `path`, created readable and writable by its owner only. A
// channel file left by an owner that ended is replaced; one where a process
// listens throws error 183 (already exists).
Handle listen_local(StringView path);
// The next connection to `listener`, or invalid_handle when none came
// within `timeout_ms`.
Handle accept_local(Handle listener, int timeout_ms);
// Makes every wait of accept_local on `listener`, now or later, return at
// once with invalid_handle, so that the thread serving it ends without
// waiting out its timeout.
void stop_listening(Handle listener);
// A connection to the process listening at `path`; invalid_handle when no
// process listens there (no file, or one left by an owner that ended).
Handle connect_local(StringView path);
// Sends every byte of `data`.
void send_all(Handle channel, const void* data, std::size_t size, StringView path);
// Receives exactly `size` bytes; false when the peer closed first or
// `timeout_ms` passed while waiting for more.
bool receive_exactly(Handle channel, void* buffer, std::size_t size, int timeout_ms, StringView path);

}  // namespace bk::os
