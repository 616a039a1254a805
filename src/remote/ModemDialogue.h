#pragma once

#include <QString>

namespace korvelan {

class Transport;

// The Hayes dialogue with the modem on the program's one serial port, without any window:
// finding the modem, dialling a station and hanging up. Errors of the port (a port that does
// not exist or is busy) are not errors here: the modem just does not answer.
//
// Every routine runs inside the caller's action on the transport; its pauses are the
// transport's, so a cancelled action ends them at once.
class ModemDialogue
{
public:
    // An identification longer than this comes from a modem; shorter is an echo or noise.
    static constexpr int kIdentificationLimit = 8;
    // The silence after "+++" before the modem takes commands again, in hundredths.
    static constexpr int kEscapeGuard = 500;

    explicit ModemDialogue(Transport& transport) : m_transport(transport) {}

    // RTS and DTR on, now and whenever the port is opened again; a device without the lines
    // (a pseudo-terminal) refuses quietly.
    void Abilita_DSR();
    // Writes the text in one piece; waits for nothing and reads nothing.
    void Interroga_Modem(const QString& text);
    // Drops whatever the port has received.
    void Scarica();
    // Everything the port has received since the last read.
    [[nodiscard]] QString takeReceived();

    // Closes the port and opens COM `port` (through the port map) at "9600,N,8,1". The
    // port becomes the link's port, so a lost line is looked for there. False when the port
    // did not open; openError() then says why, as for a cable's port.
    bool openPort(int port);
    [[nodiscard]] QString openError() const { return m_openError; }
    void closePort();

    // Opens `port`, turns the echo off and asks the modem who it is: the reply.
    // `discardAfterOpen`: drop what the port held when it opened.
    QString identify(int port, bool discardAfterOpen = true);
    [[nodiscard]] static bool isModem(const QString& identification)
    {
        return identification.size() > kIdentificationLimit;
    }
    // "AT" on the port that is open, or on `port` when none is; closes the port after.
    // True when anything answered.
    bool quickTest(int port);

    // "ATD" + number + CR; with `dialPause` a "," after the number's first character.
    // Empty when there is nothing to dial.
    [[nodiscard]] static QString dialCommand(const QString& number, bool dialPause);
    // Basic result codes, then the number. False when there was no number to dial, or the
    // action was cancelled before the number went out.
    bool dial(const QString& number, bool dialPause);
    // "+++", the guard time of silence, "ATH".
    void hangUp();

private:
    void applyLines();

    Transport& m_transport;
    QString m_openError;
    bool m_linesOn = false;
};

// How the modem window reads what the modem said on each tick of its poll.
struct ModemReply
{
    QString shown;          // what the window shows: the reply without its first two characters
    bool connected = false; // the call is up
};

// `previousTail` is the unfinished last line of the previous reply, so a result code split
// across two polls is still recognised; it is updated. A "CONNECT" counts wherever it stands
// in the reply, unless the line dropped again ("NO CARRIER") after it.
[[nodiscard]] ModemReply readModemReply(const QString& reply, QString* previousTail = nullptr);

} // namespace korvelan
