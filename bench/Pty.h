#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>

namespace korvelan::test {

// A pseudo-terminal pair: the program opens slavePath() as its serial port, the test plays
// the device on the master side.
class Pty
{
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    [[nodiscard]] bool isValid() const { return m_master >= 0; }
    [[nodiscard]] QString slavePath() const { return m_slave; }
    [[nodiscard]] int masterFd() const { return m_master; }
    bool write(const QByteArray& bytes);
    // Reads what arrives until `count` bytes are there or the time is up.
    QByteArray read(qsizetype count, std::chrono::milliseconds limit);
    void closeMaster();

private:
    int m_master = -1;
    QString m_slave;
};

} // namespace korvelan::test
