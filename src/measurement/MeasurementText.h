#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The texts of live readings: grid cells, the measurement file's lines, the single readings
// of the main window. Every number uses "." as decimal separator and every date is day first,
// whatever the machine's regional settings, so the file's "," stays a field separator.
namespace korvelan::measurement {

inline const QString kTimeout = QStringLiteral("Timeout");
inline const QString kFileStart = QStringLiteral("[INIZIO DATI]");
inline const QString kFileEnd = QStringLiteral("[FINE DATI]");
inline const QString kFileBroken = QStringLiteral("[FILE TERMINATO INASPETTATAMENTE]");
inline const QString kDefaultGage = QStringLiteral("4.062");

// A channel's caption: "0CH 3" is the fourth channel of multiplexer 0.
[[nodiscard]] QString channelCaption(int multiplexer, int index);
// "Date", then a caption per channel of multiplexer 0, then of multiplexer 1.
[[nodiscard]] QStringList headerTexts(int count0, int count1);
// The date column of a cycle: "05/12/2026 14:07:09".
[[nodiscard]] QString cycleStamp(const QDateTime& at);
// The measurement file proposed at Start: "mc_05-12-2026_14.7.09.txt".
[[nodiscard]] QString proposedFileName(const QDateTime& at);

// The gage factor as the conversion uses it, in single precision; nothing when the text is
// not a number.
[[nodiscard]] std::optional<float> gageFactor(const QString& text);
// The gage factor kept in the gage file: its first field; empty when there is none.
[[nodiscard]] QString gageFromFile(const QByteArray& contents);
// A vibrating-wire reading (frequency) in microstrain: r * r / 1000 * G.
[[nodiscard]] double microstrain(double reading, float gage);
// A cell's number: three decimals.
[[nodiscard]] QString cellText(double value);

// Single readings of the main window. The index field names the value box; one that is not
// a whole number from 0 to 15 names none.
[[nodiscard]] std::optional<int> boxIndex(const QString& field);
// A value as model 0 shows it ("######0.0##") or as the other models do (its plain number).
// A value that is not a number (a reply that did not come) is shown as it came.
[[nodiscard]] QString singleValueText(const QString& field, int16_t model);
// A temperature: "000.0", or "**N.F.**" outside -30..80 (no sensor fitted).
[[nodiscard]] QString temperatureText(const QString& field);

} // namespace korvelan::measurement
