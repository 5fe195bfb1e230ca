// Test helper: makes the Wine prefix trust a test issuer for HTTPS, or forget it again.
//   trustcert add|remove ISSUER.pem
// The issuer goes into the machine's trusted root store. Exit code 0 on success.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "add") != 0 && std::strcmp(argv[1], "remove") != 0))
        return 2;
    std::ifstream in(argv[2], std::ios::binary);
    const std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
        return 3;
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr))
        return 3;
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), size);
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
    if (!cert || !root) {
        std::fprintf(stderr, "trustcert: %lu\n", GetLastError());
        return 1;
    }
    BOOL done;
    if (std::strcmp(argv[1], "add") == 0) {
        done = CertAddCertificateContextToStore(root, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    } else {
        // Deleting through the store does not reach Wine's registry copy: remove the key.
        BYTE hash[20];
        DWORD length = sizeof hash;
        done = CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, hash, &length);
        std::string key = "Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";
        for (DWORD i = 0; done && i < length; ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", hash[i]);
            key += hex;
        }
        const LONG removed = done ? RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str()) : ERROR_INVALID_DATA;
        done = removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
    }
    if (!done)
        std::fprintf(stderr, "trustcert: %lu\n", GetLastError());
    CertFreeCertificateContext(cert);
    CertCloseStore(root, 0);
    return done ? 0 : 1;
}
