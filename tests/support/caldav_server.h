// The CalDAV server and the second client the test command starts for the
// sync tests (tests/support/caldav_server.py): Radicale on 127.0.0.1, and a
// "phone" (the caldav library, logged on as the test user) that makes,
// lists, adds, changes and deletes events the way a phone does, the server
// stopped and started again, and the requests the server saw counted.
#pragma once

#include <string>
#include <vector>

// One event as the phone reads it back.
struct PhoneEvent {
    std::string uid;
    std::string start;        // DTSTART's value as stored: "20270105" or "20270105T093000"
    std::string summary;      // the texts unescaped, UTF-8
    std::string description;
    std::string trigger;      // the first alarm's TRIGGER ("-PT15M"), empty without one
};

class CaldavServer {
public:
    // Reads the ports the servers wrote; Ready() is false when they were not
    // started (the test is then skipped with a note).
    CaldavServer();
    bool Ready() const { return serverPort_ > 0; }

    // "http://127.0.0.1:<port>/" and "http://127.0.0.1:<port>/tester/<name>/".
    std::string BaseUrl() const;
    std::string CalendarUrl(const std::string& name) const;
    // The test user's log-on, and a second user who may not see its calendars.
    static std::string User() { return "tester"; }
    static std::string Password() { return "secret-pw"; }
    static std::string OtherUser() { return "other"; }
    static std::string OtherPassword() { return "other-pw"; }

    // The phone's doings; each is a test failure (with the reason) when it
    // does not succeed, and returns whether it did. `start` is "YYYYMMDD" (a
    // whole day) or "YYYYMMDDTHHMMSS" (a floating time).
    bool Make(const std::string& name) const;
    std::vector<PhoneEvent> List(const std::string& name) const;  // sorted by uid
    bool Put(const std::string& name, const std::string& uid, const std::string& start,
             const std::string& summary, const std::string& description = "") const;
    // Summary set, description set (or removed when empty), sequence and
    // stamps moved on, every other property kept.
    bool Edit(const std::string& name, const std::string& uid, const std::string& summary,
              const std::string& description = "") const;
    bool Delete(const std::string& name, const std::string& uid) const;

    // The server killed (its port refuses connections), and started again on
    // the same port with the same calendars.
    bool StopServer() const;
    bool StartServer() const;

    // The requests the server logged since the test command started them,
    // all and by method; the phone's own are not counted. Compare two counts.
    struct RequestCounts {
        int total = 0, propfind = 0, report = 0, put = 0, del = 0, get = 0, mkcalendar = 0;
    };
    RequestCounts Requests() const;

private:
    // One request to the control server: its status (0 when none came) and
    // the answer's body.
    int Control(const wchar_t* verb, const std::string& pathAndQuery, std::string* body) const;
    bool Do(const std::string& pathAndQuery) const;

    int serverPort_ = 0, controlPort_ = 0;
};
