// Sessions with mainframes: the 33 connection records of each generation,
// login and logout, and reading the system description.
#pragma once

#include <string>

#include "mainframe/connection.h"
#include "mainframe/generation.h"

namespace zevahv::mainframe {

constexpr int kConnectionRecords = 33;

// The record of a generation at that index (0..32), or null.
Connection *connection_at(const Generation &g, int index);

// Splits "a.b.c.d" or "a.b.c.d:port" (the port replaces kMainframePort).
// False for anything but a dotted IPv4 address with an optional decimal
// port of 1..65535: the library never resolves a host name.
bool split_address(std::string_view text, std::string *host, unsigned short *port);

struct LoginRequest {
    const char *arg;       // the backend argument of the frame
    const char *user;      // may be null
    const char *password;  // may be null
    const char *system_name;
    int handle;
};

// Logs in: the connection index, -1 (no record, no connection, no
// description) or -2 (the mainframe refused or failed the login).
int login(const Generation &g, const LoginRequest &req);

// Logs out and frees the record; the result of "LOGOUT".
int logout(Connection &c);

// "GETSYSINFO" into a new description that replaces the connection's.
int read_description(Connection &c);

// The logged-in record whose mainframe is at that host, or null.  The
// record stays valid memory; its items and description have locks of
// their own.
Connection *find_by_host(const Generation &g, std::string_view host);

// Sessions open with mainframes of either generation.
int login_count();

// The text of the last failed login (there is no handle to ask).
std::string last_login_error();

}  // namespace zevahv::mainframe
