// A TLS server context with a fresh key and self-signed certificate, made in
// memory. Internal to http/testing.
#pragma once

#include "http/testing/socket_stream.h"

namespace quillon::testing::detail {

// A server context holding a new P-256 key and a self-signed certificate for
// "127.0.0.1" valid from now for one day; null when OpenSSL fails.
SslCtxPtr make_self_signed_context();

}  // namespace quillon::testing::detail
