#include "platform/sysinfo.h"

#ifdef _WIN32
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#else
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/utsname.h>
#endif

#include <cctype>
#include <vector>

#include "platform/strutil.h"

namespace valorix {

#ifdef _WIN32

std::string OperatingSystemName() {
    // GetVersionEx answers with the version a program's manifest declares it
    // knows; the kernel's own query tells the truth.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto query = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                                   reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                             : nullptr;
    if (!query || query(&info) != 0 || info.dwMajorVersion < 5) return "WINDOWS NT";
    return Format("WINDOWS NT %lu.%lu", info.dwMajorVersion, info.dwMinorVersion);
}

bool HasNetworkConnection() {
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                      nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result == ERROR_NO_DATA) return false;
    if (result != ERROR_SUCCESS) return true;  // unknown: let the request tell
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next)
        if (a->OperStatus == IfOperStatusUp && a->IfType != IF_TYPE_SOFTWARE_LOOPBACK) return true;
    return false;
}

#else

std::string OperatingSystemName() {
    std::string system = "LINUX";
    struct utsname u {};
    if (uname(&u) == 0) {
        system.clear();
        for (const char* p = u.sysname; *p; ++p) system += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        system += " ";
        for (const char* p = u.release; *p && (std::isdigit(static_cast<unsigned char>(*p)) || *p == '.'); ++p)
            system += *p;
        while (!system.empty() && (system.back() == '.' || system.back() == ' ')) system.pop_back();
    }
    return system;
}

bool HasNetworkConnection() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return true;  // unknown: let the request tell
    bool connected = false;
    for (ifaddrs* a = list; a && !connected; a = a->ifa_next)
        connected = a->ifa_addr && (a->ifa_flags & IFF_UP) && (a->ifa_flags & IFF_RUNNING) &&
                    !(a->ifa_flags & IFF_LOOPBACK);
    freeifaddrs(list);
    return connected;
}

#endif

}  // namespace valorix
