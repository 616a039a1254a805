#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace korvelan {

class FlagBox;
class Prompter;
class Transport;
class ValueEdit;

// One command of a write: its letter (or the text sent in its place) and its parameters.
struct WriteCommand
{
    QString head;
    QString parameters;
    bool operator==(const WriteCommand&) const = default;
};

// Sends one command of a write.
void send(Transport& transport, const WriteCommand& command);

// How a flag goes on the wire: "1" and "0", or with the leading blank, " 1" and " 0".
enum class FlagForm { Plain, LeadingBlank };

// The parameters of a write, built from the controls that hold them: the only way a write of
// the program gets them. take() refuses, in this one place, a write with any field the logger
// did not give and the operator did not type (never read, its read got no answer or came
// garbled), and one with a value holding a comma, which the logger would take as the end of
// the value: nothing is sent, and the operator is told which fields and what to do.
//
// The controls are read when take() runs, so a write may add them before its own checks and
// re-formatting.
class WriteRecord
{
public:
    // How a value goes on the wire, from the text its box holds.
    using Form = std::function<QString(const QString& text)>;

    // `whatToDo`: what the operator does when a field is not known ("read the SMS settings
    // first").
    WriteRecord(Prompter& prompter, QString whatToDo);

    // Starts the next command: `head` goes first, as it is.
    WriteRecord& command(const QString& head);
    // Starts a command whose head is the text of `box` as it is (an SMS text line, sent in
    // one piece).
    WriteRecord& commandFrom(const ValueEdit* box);
    // Fixed text of the command's parameters (a channel number and its comma).
    WriteRecord& fixed(const QString& text);
    // The box's text trimmed, or `form` of its text, then a comma.
    WriteRecord& field(const ValueEdit* box);
    WriteRecord& field(const ValueEdit* box, Form form);
    // The box's flag, then a comma; or `wanted` in its place, for a press on a switch that
    // asks for it (what the press means depends on what the box shows, so the box must be
    // known all the same).
    WriteRecord& flag(const FlagBox* box, FlagForm form, std::optional<bool> wanted = {});

    // The commands, in order; nothing when the write is refused (the operator was told why).
    [[nodiscard]] std::optional<QList<WriteCommand>> take() const;

private:
    struct Part
    {
        bool starts = false; // begins a command
        QString text;        // fixed text
        const ValueEdit* box = nullptr;
        const FlagBox* flagBox = nullptr;
        Form form; // for a box; none: the text as it is (a head)
        FlagForm flagForm = FlagForm::Plain;
        std::optional<bool> wanted;
    };

    Prompter& m_prompter;
    QString m_whatToDo;
    QList<Part> m_parts;
};

} // namespace korvelan
