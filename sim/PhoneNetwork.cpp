#include "sim/PhoneNetwork.h"

namespace korvelan::sim {

void PhoneNetwork::addStation(const QString& number, LoggerEmulator* logger, Answer answer)
{
    Station station;
    station.logger = logger;
    station.answer = answer;
    m_directory.insert(networkNumber(number), station);
}

bool PhoneNetwork::hasStation(const QString& number) const
{
    return m_directory.contains(networkNumber(number));
}

PhoneNetwork::Station* PhoneNetwork::find(const QString& number)
{
    const auto station = m_directory.find(networkNumber(number));
    return station == m_directory.end() ? nullptr : &*station;
}

void PhoneNetwork::dropCallsAfter(const QString& number, qint64 bytes)
{
    if (Station* station = find(number))
        station->dropAfter = bytes;
}

void PhoneNetwork::dropNextCallAfter(const QString& number, qint64 bytes)
{
    if (Station* station = find(number))
        station->dropNext = bytes;
}

void PhoneNetwork::busyNextCall(const QString& number)
{
    if (Station* station = find(number))
        station->busyNext = true;
}

void PhoneNetwork::busyFirstCalls(const QString& number, int calls)
{
    if (Station* station = find(number))
        station->busyCalls = calls;
}

bool PhoneNetwork::ringsOut(const QString& number) const
{
    const auto station = m_directory.constFind(networkNumber(number));
    return station == m_directory.cend() || station->answer == Answer::NoAnswer;
}

PhoneNetwork::Call PhoneNetwork::place(const QString& number)
{
    Station* station = find(number);
    if (!station)
        return {};
    const bool busyNow = station->busyCalls > 0;
    if (busyNow)
        --station->busyCalls;
    if (station->answer == Answer::Busy || std::exchange(station->busyNext, false) || busyNow ||
        station->inCall)
        return {Answer::Busy, nullptr, std::nullopt};
    if (station->answer == Answer::NoAnswer || !station->logger)
        return {};
    station->inCall = true;
    const auto next = std::exchange(station->dropNext, std::nullopt);
    return {Answer::Connects, station->logger, next ? next : station->dropAfter};
}

void PhoneNetwork::hangUp(const LoggerEmulator* logger)
{
    for (Station& station : m_directory) {
        if (station.logger == logger)
            station.inCall = false;
    }
}

QString PhoneNetwork::networkNumber(const QString& dialled)
{
    QString digits;
    for (const QChar c : dialled)
        if (c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('*') || c == QLatin1Char('#'))
            digits += c;
    return digits;
}

} // namespace korvelan::sim
