#pragma once

#include <QString>
#include <exception>
#include <string>

namespace zarovia {

// A failure of a command or event: carries the Japanese text the user sees in the error box.
// Every handler of the window runs inside one guard that catches it; nothing else does.
class Failure : public std::exception {
public:
    explicit Failure(QString message)
        : message_(std::move(message)), utf8_(message_.toStdString()) {}
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// The text the error box shows for a failure: a full stop is added when the message's last
// character sorts after ".".
QString errorBoxText(const QString& message);

}  // namespace zarovia
