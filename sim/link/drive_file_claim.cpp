#include "link/drive_file_claim.h"

#include <cinttypes>
#include <cstddef>
#include <cstdio>
#include <filesystem>

#include "model/drive.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace sim_link {

namespace {

// The key of a drive file: the digest of its canonical path, so that every
// name of one file (relative, through links) gives the same key.
uint64_t drive_file_key(const std::string& path) {
    std::error_code error;
    const std::string canonical = std::filesystem::weakly_canonical(path, error).string();
    const std::string& name = error ? path : canonical;
    return sim::program_digest(reinterpret_cast<const uint8_t*>(name.data()),
                               static_cast<uint32_t>(name.size()));
}

#ifdef _WIN32

constexpr char KEY_FORMAT[] = "Local\\prodtool-sim drive %016" PRIx64;

bool claim_key(const char* key) {
    const HANDLE mutex = ::CreateMutexA(nullptr, FALSE, key);
    if (mutex == nullptr) {
        return false;
    }
    const DWORD waited = ::WaitForSingleObject(mutex, 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        ::CloseHandle(mutex);
        return false;
    }
    return true;  // owned until the process ends
}

#else

constexpr char KEY_FORMAT[] = "prodtool-sim drive %016" PRIx64;

// The abstract name goes with the socket when the process ends, however it
// ends, and leaves no file behind.
bool claim_key(const char* key) {
    const int claim = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (claim < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const int length = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1, "%s", key);
    const auto bytes =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<size_t>(length));
    if (::bind(claim, reinterpret_cast<const sockaddr*>(&address), bytes) != 0) {
        ::close(claim);
        return false;
    }
    return true;  // bound until the process ends
}

#endif

std::string claimed_path;

}  // namespace

bool claim_drive_file(const std::string& path) {
    if (claimed_path == path) {
        return true;
    }
    char key[64];
    std::snprintf(key, sizeof key, KEY_FORMAT, drive_file_key(path));
    if (!claim_key(key)) {
        return false;
    }
    claimed_path = path;
    return true;
}

}  // namespace sim_link
