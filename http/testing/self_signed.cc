#include "http/testing/self_signed.h"

#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace quillon::testing::detail {
namespace {

struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct X509Free {
  void operator()(X509* cert) const { X509_free(cert); }
};
struct ExtensionFree {
  void operator()(X509_EXTENSION* ext) const { X509_EXTENSION_free(ext); }
};

bool add_extension(X509* cert, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  std::unique_ptr<X509_EXTENSION, ExtensionFree> ext(
      X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
  return ext && X509_add_ext(cert, ext.get(), -1) == 1;
}

}  // namespace

SslCtxPtr make_self_signed_context() {
  std::unique_ptr<EVP_PKEY, PkeyFree> key(EVP_EC_gen("P-256"));
  if (!key) return nullptr;

  std::unique_ptr<X509, X509Free> cert(X509_new());
  if (!cert) return nullptr;
  X509_set_version(cert.get(), 2);  // v3, needed for the extensions
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -60);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24L * 60 * 60);
  X509_set_pubkey(cert.get(), key.get());

  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  if (!add_extension(cert.get(), NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost")) {
    return nullptr;
  }
  if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) return nullptr;

  SslCtxPtr ctx(SSL_CTX_new(TLS_server_method()));
  if (!ctx) return nullptr;
  if (SSL_CTX_use_certificate(ctx.get(), cert.get()) != 1) return nullptr;
  if (SSL_CTX_use_PrivateKey(ctx.get(), key.get()) != 1) return nullptr;
  if (SSL_CTX_check_private_key(ctx.get()) != 1) return nullptr;
  return ctx;
}

}  // namespace quillon::testing::detail
