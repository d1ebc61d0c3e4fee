// Benchmark of the year's statement as a PDF (pennyvale --report) for a member with 100,000
// records in the year: seconds and pages. Target: under 10 s.
//
//   bench_report [ledger-folder]
//
// The ledger (the default member 家长, account admin, with the default categories and 100,000
// records of 2026) is generated once into the folder and then reused.
#include "app/start/ReportCommand.h"
#include "data/Schema.h"
#include "data/query/DayNumber.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int Records = 100'000;
constexpr int Year = 2026;

void Check(QSqlQuery& query, bool ok) {
    if (!ok) {
        std::fprintf(stderr, "%s\n", query.lastError().text().toUtf8().constData());
        std::exit(1);
    }
}

void Generate(const QString& path) {
    Schema::CreateDatabase(path);
    {
        auto db = QSqlDatabase::addDatabase("QSQLITE", "generate");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        Check(q, q.exec("pragma synchronous = off"));
        db.transaction();
        const char* const words[] = {"午饭", "超市", "地铁", "电费",
                                     "水费", "话费", "衣服", "药品"};
        QRandomGenerator random(20261207);
        q.prepare("insert into fPayout (PayoutID, ItemProjectID, Payout, PayoutAccount, "
                  "IncomeAccount, UseDate, PersonName, Memos, ItemType, MonthNum, YearNum, "
                  "QuarterNum) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (int id = 1; id <= Records; ++id) {
            const QDate day = QDate(Year, 1, 1).addDays(random.bounded(365));
            const bool income = random.bounded(100) < 15;
            // the default categories: 1-6 income, 7-18 expenditure
            const int category = income ? 1 + random.bounded(6) : 7 + random.bounded(12);
            const qint64 amount = income ? 1000 + random.bounded(20000) : 1 + random.bounded(800);
            q.addBindValue(id);
            q.addBindValue(category);
            q.addBindValue(QString::fromUtf8(words[random.bounded(8)]) + QString::number(id % 97));
            q.addBindValue(income ? QVariant() : QVariant(amount));
            q.addBindValue(income ? QVariant(amount) : QVariant());
            q.addBindValue(DayNumber::FromDate(day));
            q.addBindValue(QStringLiteral("家长"));
            q.addBindValue(QString());
            q.addBindValue(income ? QStringLiteral("收入") : QStringLiteral("支出"));
            q.addBindValue(day.month());
            q.addBindValue(day.year());
            q.addBindValue((day.month() - 1) / 3 + 1);
            Check(q, q.exec());
        }
        db.commit();
        q.exec("analyze");
        db.close();
    }
    QSqlDatabase::removeDatabase("generate");
}

int Pages(const QString& file) {
    QProcess info;
    info.start("pdfinfo", {file});
    info.waitForFinished(60000);
    const auto match = QRegularExpression("Pages:\\s+(\\d+)").match(info.readAllStandardOutput());
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QDir::temp().filePath("pennyvale-bench-report");
    QDir().mkpath(folder);
    QDir::setCurrent(folder);
    if (!QFile::exists(Schema::DatabasePath)) Generate(Schema::DatabasePath);

    QElapsedTimer timer;
    timer.start();
    const int code = ReportCommand::Run(QStringLiteral("year.pdf"), QStringLiteral("admin"), Year);
    const double seconds = timer.elapsed() / 1000.0;
    if (code != 0) return code;
    std::printf("year's PDF of %d records: %.2f s, %d pages, %.1f MB%s\n", Records, seconds,
                Pages(QStringLiteral("year.pdf")),
                QFile(QStringLiteral("year.pdf")).size() / 1048576.0,
                seconds > 10 ? "   (over the 10 s target)" : "");
    return 0;
}
