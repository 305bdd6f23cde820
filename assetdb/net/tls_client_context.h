// The process's one client TLS context, made on first use while networking is started.
#pragma once

#include <string>

typedef struct ssl_ctx_st SSL_CTX;

// Null before start-up and after shutdown. The first call after start-up
// starts OpenSSL (without its error strings: nothing prints them) and makes
// the context; commands that never open a TLS connection never pay for it.
SSL_CTX* GetClientTLSContext();
// The same context with the system's trusted authorities loaded (done by the
// first caller); what a TLS connection uses.
SSL_CTX* GetVerifyingTLSContext();

// Called by the TLS layer when it has started: NetTransport::Shutdown then
// calls `release` to free the context.
void SetTLSRelease(void (*release)());

// Test seam: trusts one more certificate authority (PEM text) for peer
// verification. False when the text is not a certificate or there is no context.
bool TrustCertificateForTesting(const std::string& pemText);
