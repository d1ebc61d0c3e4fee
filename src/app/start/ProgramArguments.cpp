#include "app/start/ProgramArguments.h"

#include "app/start/CopyLedgerCommand.h"
#include "app/start/ExportCsvCommand.h"
#include "app/start/ImportBillCommand.h"
#include "app/start/ReportCommand.h"
#include "platform/Exception.h"

#include <QFile>
#include <algorithm>

namespace {

const QString LedgerOption = QStringLiteral("--ledger");

// What a command takes: its values, the options it needs, and those it may take; its usage.
struct TCommandShape {
    QString Name;
    int Values = 0;
    QStringList Required;
    QStringList Optional;
    QString Usage;
};

const QList<TCommandShape>& Shapes() {
    static const QList<TCommandShape> shapes = {
        {{}, 0, {}, {LedgerOption, QStringLiteral("--check-start")},
         QStringLiteral("用法：pennyvale [--ledger 账本位置]")},
        {QStringLiteral("--create-database"), 0, {}, {LedgerOption},
         QStringLiteral("用法：pennyvale --create-database [--ledger 账本位置]")},
        {QStringLiteral("--import-access"), 1, {}, {LedgerOption},
         QStringLiteral("用法：pennyvale --import-access 文件.mdb")},
        {QStringLiteral("--import-bill"), 1, {QStringLiteral("--account")}, {LedgerOption},
         ImportBillCommand::UsageText},
        {QStringLiteral("--export-csv"), 1, {QStringLiteral("--account")}, {LedgerOption},
         ExportCsvCommand::UsageText},
        {QStringLiteral("--report"), 1, {QStringLiteral("--account"), QStringLiteral("--year")},
         {LedgerOption}, ReportCommand::UsageText},
        {QStringLiteral("--backup"), 0, {}, {LedgerOption},
         QStringLiteral("用法：pennyvale --backup [--ledger 账本位置]")},
        {QStringLiteral("--restore"), 1, {}, {LedgerOption},
         QStringLiteral("用法：pennyvale --restore 备份文件.mdb")},
        {QStringLiteral("--copy-ledger"), 2, {}, {}, CopyLedgerCommand::UsageText},
    };
    return shapes;
}

const TCommandShape* ShapeOf(const QString& name) {
    for (const TCommandShape& shape : Shapes())
        if (shape.Name == name) return &shape;
    return nullptr;
}

// Options that stand alone; every other option takes the next argument as its value.
bool IsFlag(const QString& option) {
    return option == QLatin1String("--check-start");
}

} // namespace

TProgramArguments TProgramArguments::Read(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
    return Read(arguments);
}

TProgramArguments TProgramArguments::Read(const QStringList& arguments) {
    TProgramArguments read;
    QStringList options; // in the order given, to check against the command once it is known
    bool unknown = false;
    QString withoutValue; // an option given last, without its value
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(QLatin1String("--"))) {
            read.Values << argument;
            continue;
        }
        const TCommandShape* shape = ShapeOf(argument);
        if (shape && read.Command.isEmpty() && read.Values.isEmpty()) {
            read.Command = argument;
            continue;
        }
        if (shape || read.Options.contains(argument) ||
            (argument == LedgerOption && read.HasLedger)) {
            unknown = true; // a second command, or an option given twice
            continue;
        }
        if (IsFlag(argument)) {
            read.CheckStart = true;
            options << argument;
            continue;
        }
        if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
            withoutValue = argument;
            options << argument;
            ++i;
            continue;
        }
        const QString value = arguments[++i];
        options << argument;
        if (argument == LedgerOption) {
            read.HasLedger = true;
            read.Ledger = value;
        } else {
            read.Options.insert(argument, value);
        }
    }
    const TCommandShape& shape = *ShapeOf(read.Command);
    // An option the window's run does not take shows every way to start; one a command does
    // not take, the command's usage.
    for (const QString& option : options) {
        if (shape.Required.contains(option) || shape.Optional.contains(option)) continue;
        if (read.Command.isEmpty())
            throw EArgumentError(QStringLiteral("不认识的参数“%1”。\n").arg(option) + UsageText());
        unknown = true;
    }
    if (!withoutValue.isEmpty())
        throw EArgumentError(QStringLiteral("参数“%1”后面缺少它的值。\n").arg(withoutValue) +
                             (read.Command.isEmpty() ? UsageText() : shape.Usage));
    bool fits = !unknown && read.Values.size() == shape.Values;
    for (const QString& value : read.Values) fits = fits && !value.isEmpty();
    for (const QString& option : shape.Required) fits = fits && read.Options.contains(option);
    if (!fits) throw EArgumentError(read.Command.isEmpty() ? UsageText() : shape.Usage);
    return read;
}

TLedgerLocation TProgramArguments::Location(const QString& folder) const {
    if (HasLedger) return TLedgerLocation::Parse(Ledger);
    return TLedgerLocation::FromSetting(folder, TLedgerLocation::DefaultFile);
}

QString TProgramArguments::UsageText() {
    QStringList lines{QStringLiteral("用法：")};
    for (const TCommandShape& shape : Shapes()) {
        QString line = shape.Usage;
        line.remove(QStringLiteral("用法："));
        if (shape.Optional.contains(LedgerOption) && !line.contains(LedgerOption))
            line += QStringLiteral(" [--ledger 账本位置]");
        lines << QStringLiteral("  ") + line;
    }
    lines << QStringLiteral("账本位置：账本文件的路径，或者 PostgreSQL 服务器上的数据库，例如 "
                            "postgresql://用户@主机:5432/数据库名 或 "
                            "postgresql:///数据库名?host=/套接字目录&user=用户。");
    return lines.join(u'\n');
}
