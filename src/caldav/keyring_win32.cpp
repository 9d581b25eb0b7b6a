// The keyring on Windows: the Credential Manager, one generic credential per account ("Kalvo/<key>"),
// the password kept as UTF-16 as Windows' own tools show it. The calls are local and answer at once.
#include <windows.h>
// After windows.h, which defines the types it uses.
#include <wincred.h>

#include <string>

#include "caldav/password_store.h"

namespace kalvo::caldav {
namespace {

std::wstring TargetName(const QString& key) { return (QStringLiteral("Kalvo/") + key).toStdWString(); }

QString SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = length > 0 ? QString::fromWCharArray(text, static_cast<qsizetype>(length)).trimmed()
                                 : QStringLiteral("kód %1").arg(code);
    if (text != nullptr) LocalFree(text);
    return message;
}

QString Failure(DWORD code) {
    if (code == ERROR_NO_SUCH_LOGON_SESSION) {
        return QStringLiteral(
            "Správca poverení Windows nie je v tejto relácii dostupný. Zadajte príkaz, ktorý "
            "heslo vypíše.");
    }
    return QStringLiteral("Správca poverení Windows ohlásil chybu: %1").arg(SystemMessage(code));
}

class CredentialManager final : public Keyring {
public:
    PasswordResult Read(const QString& key) override {
        PasswordResult result;
        const std::wstring target = TargetName(key);
        PCREDENTIALW credential = nullptr;
        if (!CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &credential)) {
            const DWORD code = GetLastError();
            result.notStored = code == ERROR_NOT_FOUND;
            result.message = result.notStored
                                 ? QStringLiteral("V správcovi poverení Windows nie je heslo k účtu synchronizácie.")
                                 : Failure(code);
            return result;
        }
        const DWORD size = credential->CredentialBlobSize;
        result.password = QString::fromWCharArray(reinterpret_cast<const wchar_t*>(credential->CredentialBlob),
                                                  static_cast<qsizetype>(size / sizeof(wchar_t)));
        SecureZeroMemory(credential->CredentialBlob, size);
        CredFree(credential);
        result.ok = true;
        return result;
    }

    QString Write(const QString& key, const QString& password) override {
        std::wstring target = TargetName(key);
        std::wstring secret = password.toStdWString();
        const DWORD size = static_cast<DWORD>(secret.size() * sizeof(wchar_t));
        if (size > CRED_MAX_CREDENTIAL_BLOB_SIZE)
            return QStringLiteral("Heslo je pridlhé pre správcu poverení Windows.");
        std::wstring user = key.left(key.lastIndexOf(QLatin1Char('@'))).toStdWString();
        CREDENTIALW credential{};
        credential.Type = CRED_TYPE_GENERIC;
        credential.TargetName = target.data();
        credential.CredentialBlobSize = size;
        credential.CredentialBlob = reinterpret_cast<LPBYTE>(secret.data());
        credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
        credential.UserName = user.data();
        const BOOL written = CredWriteW(&credential, 0);
        const DWORD code = written ? ERROR_SUCCESS : GetLastError();
        SecureZeroMemory(secret.data(), size);
        return written ? QString() : Failure(code);
    }

    QString Remove(const QString& key) override {
        const std::wstring target = TargetName(key);
        if (CredDeleteW(target.c_str(), CRED_TYPE_GENERIC, 0)) return {};
        const DWORD code = GetLastError();
        return code == ERROR_NOT_FOUND ? QString() : Failure(code);
    }
};

}  // namespace

std::unique_ptr<Keyring> SystemKeyring(std::chrono::milliseconds) { return std::make_unique<CredentialManager>(); }

}  // namespace kalvo::caldav
