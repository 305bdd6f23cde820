// The process's one client TLS context, made by NetTransport::Startup.
#pragma once

#include <string>

typedef struct ssl_ctx_st SSL_CTX;

// Null before start-up and after shutdown.
SSL_CTX* GetClientTLSContext();
// The same context with the system's trusted authorities loaded (done by the
// first caller); what a TLS connection uses.
SSL_CTX* GetVerifyingTLSContext();

// Test seam: trusts one more certificate authority (PEM text) for peer
// verification. False when the text is not a certificate or there is no context.
bool TrustCertificateForTesting(const std::string& pemText);
