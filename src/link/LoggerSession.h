#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>
#include <cstdint>

namespace korvelan {

// The program-wide record of the link and of the values the windows hand to each other.
// It lives for the whole run; everything touches it from the user-interface thread.
struct LoggerSession
{
    bool PortaSempreAperta = false;        // keep the port open between transport routines
    int16_t Porta = 0;                     // COM port number chosen in the connection window
    int16_t PortaSalvata = 0;              // port number read from the port settings file
    QString FileIni;                       // port settings file, later the closing record
    QString Parametri;                     // parameters of a write command being built
    QByteArray BufferRicezione;            // received and not yet consumed characters
    int16_t ModelloLogger = 0;             // model code answered at connection
    QVector<QVector<QVariant>> ChartTable; // measurement grid handed to the chart window
    int16_t ChartChannelCount = 0;
    int16_t Mux0ChannelCount = 0;
    int16_t Mux1ChannelCount = 0;
};

} // namespace korvelan
