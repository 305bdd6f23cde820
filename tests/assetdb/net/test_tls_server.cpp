// TestTLSServer: certificates by the OpenSSL API, one echo thread.
#include "assetdb/net/test_tls_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

EVP_PKEY* MakeKey()
{
    return EVP_EC_gen("P-256");
}

void AddExtension(X509* certificate, X509* issuer, int id, const char* value)
{
    X509V3_CTX extensionContext;
    X509V3_set_ctx_nodb(&extensionContext);
    X509V3_set_ctx(&extensionContext, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &extensionContext, id, value);
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

X509* MakeCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey, long serial)
{
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 3600L * 24);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509* signer = issuer ? issuer : certificate;
    X509_set_issuer_name(certificate, X509_get_subject_name(signer));
    if (issuer) {
        AddExtension(certificate, signer, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(certificate, signer, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
    } else {
        AddExtension(certificate, signer, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(certificate, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
        AddExtension(certificate, signer, NID_subject_key_identifier, "hash");
    }
    X509_sign(certificate, issuerKey ? issuerKey : key, EVP_sha256());
    return certificate;
}

std::string ToPEM(X509* certificate)
{
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, certificate);
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    std::string text(data, length);
    BIO_free(bio);
    return text;
}

}  // namespace

TestTLSServer::TestTLSServer()
{
    EVP_PKEY* authorityKey = MakeKey();
    X509* authority = MakeCertificate(authorityKey, "Korvel Test CA", nullptr, nullptr, 1);
    EVP_PKEY* serverKey = MakeKey();
    X509* server = MakeCertificate(serverKey, "localhost", authority, authorityKey, 2);
    authorityPEM = ToPEM(authority);

    context = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate(context, server);
    SSL_CTX_use_PrivateKey(context, serverKey);
    X509_free(server);
    X509_free(authority);
    EVP_PKEY_free(serverKey);
    EVP_PKEY_free(authorityKey);

    port = listener.port;
    thread = std::thread([this] { Serve(); });
}

TestTLSServer::~TestTLSServer()
{
    stopping = true;
    ::shutdown(listener.fd, SHUT_RDWR);
    thread.join();
    SSL_CTX_free(context);
}

void TestTLSServer::Serve()
{
    while (!stopping) {
        pollfd waiting{listener.fd, POLLIN, 0};
        if (::poll(&waiting, 1, 100) <= 0)
            continue;
        int fd = listener.Accept();
        if (fd < 0)
            continue;
        SSL* connection = SSL_new(context);
        SSL_set_fd(connection, fd);
        if (SSL_accept(connection) == 1) {
            char buffer[4096];
            int got;
            while ((got = SSL_read(connection, buffer, sizeof buffer)) > 0)
                SSL_write(connection, buffer, got);
            SSL_shutdown(connection);
        }
        SSL_free(connection);
        ::close(fd);
    }
}
