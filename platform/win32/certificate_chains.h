#pragma once
// The system's certificate chain engine, which the first HTTPS handshake of a process needs.

namespace qs::win32 {

// Builds one chain from a root of the user's Root store, which readies the chain engine and its
// root stores for the process; true when a chain was built. Wine fills them from the host's
// whole CA bundle here, a cost of its own.
bool build_one_certificate_chain() noexcept;

}  // namespace qs::win32
