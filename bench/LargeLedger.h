#pragma once

// The large ledger the benchmarks share: 1,000,000 records over 10 members and 20 years,
// 40 categories and 5,000 diary entries, generated once into a folder and then reused; a ledger
// of the same kind with fewer records where a benchmark compares sizes.
#include "data/query/DayNumber.h"
#include "data/Schema.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <cstdlib>

namespace LargeLedger {

inline constexpr int Members = 10;
inline constexpr int Years = 20;
inline constexpr int FirstYear = 2007;
inline constexpr int Records = 1'000'000;
inline constexpr int Categories = 40;
inline constexpr int IncomeCategories = 10;
inline constexpr int DiaryEntries = 5000;

inline const char* const Words[] = {"午饭", "超市", "地铁", "电费", "水费", "燃气", "话费", "衣服",
                                    "药品", "学费", "电影", "礼物", "工资", "奖金", "理财", "兼职"};

inline QString MemberName(int i) {
    return QStringLiteral("成员%1").arg(i + 1);
}

inline void Check(QSqlQuery& query, bool ok) {
    if (!ok) {
        std::fprintf(stderr, "%s\n", query.lastError().text().toUtf8().constData());
        std::exit(1);
    }
}

// What to generate: how many records, over which years and how many members (the first member
// is MemberName(0), account user1).
struct TShape {
    int Records = LargeLedger::Records;
    int FirstYear = LargeLedger::FirstYear;
    int Years = LargeLedger::Years;
    int Members = LargeLedger::Members;
};

inline void Generate(const QString& path, const TShape& shape = {}) {
    const int records = shape.Records;
    QElapsedTimer timer;
    timer.start();
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        auto db = QSqlDatabase::addDatabase("QSQLITE", "generate");
        db.setDatabaseName(path);
        db.open();
        Schema::CreateTables(db);
        QSqlQuery q(db);
        Check(q, q.exec("pragma synchronous = off"));
        db.transaction();
        for (int i = 0; i < shape.Members; ++i) {
            q.prepare("insert into bPerson values (?, ?, '成员', ?, 'lgkb_', null)");
            q.addBindValue(i + 1);
            q.addBindValue(MemberName(i));
            q.addBindValue(QStringLiteral("user%1").arg(i + 1));
            Check(q, q.exec());
        }
        for (int c = 0; c < Categories; ++c) {
            q.prepare("insert into bItemProject values (?, ?, ?, null)");
            q.addBindValue(c + 1);
            q.addBindValue(QStringLiteral("分类%1").arg(c + 1));
            q.addBindValue(c < IncomeCategories ? QStringLiteral("收入") : QStringLiteral("支出"));
            Check(q, q.exec());
        }
        QRandomGenerator random(20261207);
        const QDate first(shape.FirstYear, 1, 1);
        const int days =
            int(first.daysTo(QDate(shape.FirstYear + shape.Years - 1, 12, 31))) + 1;
        q.prepare("insert into fPayout values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (int id = 1; id <= records; ++id) {
            const QDate day = first.addDays(random.bounded(days));
            const bool income = random.bounded(100) < 15;
            const int category =
                income ? random.bounded(IncomeCategories) + 1
                       : IncomeCategories + random.bounded(Categories - IncomeCategories) + 1;
            const qint64 amount = income ? 1000 + random.bounded(20000) : 1 + random.bounded(800);
            q.addBindValue(id);
            q.addBindValue(category);
            q.addBindValue(QString::fromUtf8(Words[random.bounded(16)]) + QString::number(id % 97));
            q.addBindValue(income ? QVariant() : QVariant(amount));
            q.addBindValue(income ? QVariant(amount) : QVariant());
            q.addBindValue(DayNumber::FromDate(day));
            q.addBindValue(MemberName(random.bounded(shape.Members)));
            q.addBindValue(random.bounded(4) == 0 ? QStringLiteral("备注\r\n第二行") : QString());
            q.addBindValue(income ? QStringLiteral("收入") : QStringLiteral("支出"));
            q.addBindValue(day.month());
            q.addBindValue(day.year());
            q.addBindValue((day.month() - 1) / 3 + 1);
            Check(q, q.exec());
        }
        q.prepare("insert into fDiary values (?, ?, ?, ?)");
        for (int id = 1; id <= DiaryEntries; ++id) {
            q.addBindValue(id);
            q.addBindValue(QStringLiteral("今天的账目都记好了。\r\n第二行"));
            q.addBindValue(DayNumber::FromDate(first.addDays(random.bounded(days))));
            q.addBindValue(random.bounded(shape.Members) + 1);
            Check(q, q.exec());
        }
        db.commit();
        q.exec("analyze");
        db.close();
    }
    QSqlDatabase::removeDatabase("generate");
    std::printf("generated %d records in %.1f s: %s (%.0f MB)\n", records, timer.elapsed() / 1000.0,
                path.toUtf8().constData(), QFileInfo(path).size() / 1048576.0);
}

// Makes the folder the current directory and generates its ledger unless it is there already.
inline void Prepare(const QString& folder, const TShape& shape = {}) {
    QDir().mkpath(folder);
    QDir::setCurrent(folder);
    if (!QFile::exists(Schema::DatabasePath)) Generate(Schema::DatabasePath, shape);
}

} // namespace LargeLedger
