#pragma once

#include <QString>

class TStopSignals;

// The offer, at start-up, to convert a ledger kept in the old Access (Jet 4) format.
namespace ConversionOffer {

// The question asked at start-up.
inline const QString Question = QStringLiteral(
    "数据库是旧版 Access 格式，是否转换为新格式？原文件将保留为 Hearthbook.access.mdb。");

// Run at start-up before the data module opens the ledger: when DataBase/Hearthbook.mdb is an
// Access file, asks whether to convert it and does so with a progress dialog. Returns whether the
// program goes on: true when the ledger is not an Access file or was converted; false when the
// user said no or cancelled, or the conversion failed (its message shown), or a stop signal came
// (stopSignals), with every file left as it was.
bool Offer(const TStopSignals* stopSignals = nullptr);

} // namespace ConversionOffer
