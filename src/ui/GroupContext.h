#pragma once

namespace korvelan {

class CommandLock;
class Prompter;
class Transport;
struct LoggerSession;

// What every settings group of the main window works with.
struct GroupContext
{
    Transport& transport;
    CommandLock& lock;
    Prompter& prompter;
    LoggerSession& session;
};

} // namespace korvelan
