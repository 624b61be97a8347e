// The local web servers the test command starts for the calendar tests
// (tests/support/calendar_server.py): where they listen, the files they
// serve, the requests they saw, and the plain server stopped and started.
#pragma once

#include <string>

class CalendarServer {
public:
    // Reads the ports the servers wrote; Ready() is false when they were not
    // started (the test is then skipped with a note).
    CalendarServer();
    bool Ready() const { return httpPort_ > 0; }

    std::string HttpUrl(const std::string& path) const;
    std::string HttpsUrl(const std::string& path) const;
    // Writes the file the servers answer for /<name>.
    void Put(const std::string& name, const std::string& bytes) const;
    // How many requests the log holds whose line ("GET /x.ics 304") starts so.
    int Count(const std::string& linePrefix) const;
    // The plain server's port closed (a server that went away) and open again.
    void StopPlain() const;
    void StartPlain() const;

private:
    std::string folder_;
    int httpPort_ = 0, httpsPort_ = 0, controlPort_ = 0;
};
