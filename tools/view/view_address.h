#ifndef VIEW_VIEW_ADDRESS_H
#define VIEW_VIEW_ADDRESS_H

// The addresses a view listens on and the names its requests may give as
// their Host.

#include <string>
#include <vector>

namespace view {

inline const std::string loopbackAddress = "127.0.0.1";

enum class AddressKind {
    notAnAddress,  // not a numeric IPv4 or IPv6 address
    loopback,      // 127.0.0.0/8 or ::1: this machine only
    wildcard,      // 0.0.0.0 or ::: every address of the machine
    other,         // one address of the machine, reachable from others
};
AddressKind addressKind(const std::string& address);

// "ADDRESS:PORT", an IPv6 address in brackets, as a URL or a Host header
// writes it.
std::string authority(const std::string& address, int port);

// The Host values, in lower case, that requests to a view listening on
// `address` at `port` may carry: the loopback names (127.0.0.1, localhost,
// [::1]) and the address itself; for a wildcard address every address of
// the machine's interfaces, so that a request must still name the machine
// by an address of its own.
std::vector<std::string> hostAuthorities(const std::string& address, int port);

}

#endif
