#include "view_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <algorithm>
#include <cctype>

namespace view {

AddressKind addressKind(const std::string& address)
{
    in_addr v4;
    if (inet_pton(AF_INET, address.c_str(), &v4) == 1) {
        const std::uint32_t host = ntohl(v4.s_addr);
        if (host >> 24 == 127)
            return AddressKind::loopback;
        return host == INADDR_ANY ? AddressKind::wildcard : AddressKind::other;
    }
    in6_addr v6;
    if (inet_pton(AF_INET6, address.c_str(), &v6) == 1) {
        if (IN6_IS_ADDR_LOOPBACK(&v6))
            return AddressKind::loopback;
        return IN6_IS_ADDR_UNSPECIFIED(&v6) ? AddressKind::wildcard : AddressKind::other;
    }
    return AddressKind::notAnAddress;
}

std::string authority(const std::string& address, int port)
{
    const bool v6 = address.find(':') != std::string::npos;
    return (v6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

namespace {

// The numeric addresses of the machine's interfaces, IPv6 ones only for a
// wildcard IPv6 listener.
std::vector<std::string> interfaceAddresses(bool withIpv6)
{
    std::vector<std::string> addresses;
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0)
        return addresses;
    for (const ifaddrs* entry = interfaces; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr)
            continue;
        char text[INET6_ADDRSTRLEN];
        const int family = entry->ifa_addr->sa_family;
        const void* bytes = nullptr;
        if (family == AF_INET)
            bytes = &reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr;
        else if (family == AF_INET6 && withIpv6)
            bytes = &reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr)->sin6_addr;
        if (bytes && inet_ntop(family, bytes, text, sizeof text))
            addresses.emplace_back(text);
    }
    freeifaddrs(interfaces);
    return addresses;
}

}

std::vector<std::string> hostAuthorities(const std::string& address, int port)
{
    std::vector<std::string> names{"127.0.0.1", "localhost", "::1"};
    if (addressKind(address) == AddressKind::wildcard) {
        for (const std::string& own : interfaceAddresses(address.find(':') != std::string::npos))
            names.push_back(own);
    } else {
        names.push_back(address);
    }
    std::vector<std::string> authorities;
    for (std::string name : names) {
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        authorities.push_back(authority(name, port));
    }
    return authorities;
}

}
