#include "PgServer.h"

#include "data/engine/ServerConnection.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Connects as the program does; the fault and its message, None and empty when it connected.
std::pair<TServerFault, QString> Connect(const TLedgerLocation& location) {
    std::pair<TServerFault, QString> result{TServerFault::None, {}};
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase("QPSQL", "fault-test");
        try {
            ServerConnection::Open(connection, location);
        } catch (const EServerError& error) {
            result = {error.Fault, error.Message};
        }
    }
    QSqlDatabase::removeDatabase("fault-test");
    return result;
}

} // namespace

Q_DECLARE_METATYPE(TServerFault)

// A server that cannot be used is named, with the cause in plain words, from the errors of the
// real server and of libpq.
class TestServerConnection : public QObject {
    Q_OBJECT

    QTemporaryDir FNoServer; // a socket folder where no server runs
    int FSilent = -1;        // a port that takes connections and never answers
    int FSilentPort = 0;

private Q_SLOTS:
    void initTestCase() {
        // No password from the tester's own files or environment.
        qunsetenv("PGPASSWORD");
        qputenv("PGPASSFILE", "/nonexistent/pgpass");
        QVERIFY(TPgServer::Shared().AddPasswordRole("anna", "right-password"));
        TPgServer::Shared().NewDatabase("emptydb");
        TPgServer::Shared().Admin("grant connect on database emptydb to anna");
        // The system accepts connections into the queue of a socket that listens; nobody
        // reads them.
        FSilent = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        QVERIFY(::bind(FSilent, reinterpret_cast<sockaddr*>(&address), size) == 0);
        QVERIFY(::listen(FSilent, 8) == 0);
        QVERIFY(::getsockname(FSilent, reinterpret_cast<sockaddr*>(&address), &size) == 0);
        FSilentPort = ntohs(address.sin_port);
    }

    void cleanupTestCase() { ::close(FSilent); }

    void faults_data() {
        const QString socket = TPgServer::Shared().SocketFolder();
        QTest::addColumn<QString>("uri");
        QTest::addColumn<TServerFault>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("no server on that socket")
            << QString("postgresql:///book?host=%1&user=postgres").arg(FNoServer.path())
            << TServerFault::Refused
            << QString("无法连接账本服务器 postgresql://postgres@/book?host=%1：服务器 %1 没有接受连接"
                       "（连接被拒绝，或者那里没有运行中的 PostgreSQL 服务器）。请确认服务器已经启动，"
                       "地址和端口正确。")
                   .arg(FNoServer.path());
        QTest::newRow("unknown host")
            << QString("postgresql://postgres@no-such-host.invalid/book") << TServerFault::UnknownHost
            << QString("无法连接账本服务器 postgresql://postgres@no-such-host.invalid/book："
                       "找不到名为“no-such-host.invalid”的主机。请检查服务器的名称和网络。");
        QTest::newRow("no such database")
            << QString("postgresql:///nosuchdb?host=%1&user=postgres").arg(socket)
            << TServerFault::NoDatabase
            << QString("无法连接账本服务器 postgresql://postgres@/nosuchdb?host=%1："
                       "服务器上没有名为“nosuchdb”的数据库。请检查数据库的名称。")
                   .arg(socket);
        QTest::newRow("wrong password")
            << QString("postgresql://anna:wrong@/emptydb?host=%1").arg(socket)
            << TServerFault::WrongPassword
            << QString("无法连接账本服务器 postgresql://anna@/emptydb?host=%1："
                       "服务器拒绝了用户“anna”的密码。请检查 ~/.pgpass 文件中的密码。")
                   .arg(socket);
        QTest::newRow("no password given")
            << QString("postgresql://anna@/emptydb?host=%1").arg(socket) << TServerFault::NoPassword
            << QString("无法连接账本服务器 postgresql://anna@/emptydb?host=%1："
                       "服务器要求输入用户“anna”的密码，但没有提供密码。请把密码写入 ~/.pgpass 文件"
                       "（权限 0600，每行：主机:端口:数据库:用户:密码），或者设置 PGPASSWORD。")
                   .arg(socket);
        QTest::newRow("unknown user")
            << QString("postgresql://nobody@/emptydb?host=%1").arg(socket)
            << TServerFault::UnknownUser
            << QString("无法连接账本服务器 postgresql://nobody@/emptydb?host=%1："
                       "服务器上没有用户“nobody”。请检查用户名。")
                   .arg(socket);
        QTest::newRow("no answer")
            << QString("postgresql://postgres@127.0.0.1:%1/book?connect_timeout=2").arg(FSilentPort)
            << TServerFault::Timeout
            << QString("无法连接账本服务器 postgresql://postgres@127.0.0.1:%1/book：在规定的时间内没有"
                       "连上服务器（超时）。请检查网络和服务器。")
                   .arg(FSilentPort);
        QTest::newRow("a database without a book")
            << QString("postgresql://anna:right-password@/emptydb?host=%1").arg(socket)
            << TServerFault::NotABook
            << QString("无法连接账本服务器 postgresql://anna@/emptydb?host=%1：数据库“emptydb”中没有"
                       "本程序的账本。如果这是一个新建的空数据库，可以运行 pennyvale --create-database "
                       "--ledger postgresql://anna@/emptydb?host=%1 在其中新建账本。")
                   .arg(socket);
    }
    void faults() {
        QFETCH(QString, uri);
        QFETCH(TServerFault, fault);
        QFETCH(QString, message);
        const auto [found, text] = Connect(TLedgerLocation::Parse(uri));
        QCOMPARE(text, message);
        QCOMPARE(found, fault);
    }

    // libpq and the server speak the user's language where they have it: the same faults from
    // their Chinese messages.
    void chineseMessages_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<TServerFault>("fault");
        QTest::newRow("refused") << QString("连接到\"127.0.0.1\"上的服务器，端口5432失败：拒绝连接\n"
                                            "\t服务器是否在该主机上运行并接受TCP/IP连接?")
                                 << TServerFault::Refused;
        QTest::newRow("no socket") << QString("连接到套接字\"/tmp/.s.PGSQL.5432\"上的服务器失败:"
                                              "没有那个文件或目录")
                                   << TServerFault::Refused;
        QTest::newRow("host") << QString("无法解释主机名 \"study\" 到地址: 未知的名称或服务")
                              << TServerFault::UnknownHost;
        QTest::newRow("password") << QString("FATAL:  用户 \"anna\" Password 认证失败")
                                  << TServerFault::WrongPassword;
        QTest::newRow("database") << QString("FATAL:  数据库 \"book\" 不存在")
                                  << TServerFault::NoDatabase;
        QTest::newRow("role") << QString("FATAL:  角色 \"anna\" 不存在") << TServerFault::UnknownUser;
        QTest::newRow("timeout") << QString("超时满") << TServerFault::Timeout;
        QTest::newRow("anything else") << QString("SSL SYSCALL error") << TServerFault::Other;
    }
    void chineseMessages() {
        QFETCH(QString, text);
        QFETCH(TServerFault, fault);
        QCOMPARE(ServerConnection::Classify(
                     QSqlError("QPSQL: Unable to connect", text, QSqlError::ConnectionError)),
                 fault);
    }

    void theRightPasswordConnects() {
        const TLedgerLocation book = TPgServer::Shared().NewDatabase("annasbook");
        QVERIFY(TPgServer::Shared().Admin("alter database annasbook owner to anna"));
        {
            QSqlDatabase connection = QSqlDatabase::addDatabase("QPSQL", "book");
            book.ApplyTo(connection);
            QVERIFY(connection.open());
            QVERIFY(QSqlQuery(connection).exec("create table fPayout (PayoutID bigint)"));
        }
        QSqlDatabase::removeDatabase("book");
        const auto [fault, text] = Connect(TLedgerLocation::Parse(
            QString("postgresql://anna:right-password@/annasbook?host=%1")
                .arg(TPgServer::Shared().SocketFolder())));
        QCOMPARE(text, QString());
        QCOMPARE(fault, TServerFault::None);
    }

    // A server that reads a backslash in a text as an escape would end the program's texts
    // (each apostrophe doubled) early: it is refused, saying how to set it right.
    void aServerWithBackslashEscapesIsRefused() {
        const TLedgerLocation book = TPgServer::Shared().NewDatabase("oldstrings");
        QVERIFY(TPgServer::Shared().Admin(
            "alter database oldstrings set standard_conforming_strings = off"));
        {
            QSqlDatabase connection = QSqlDatabase::addDatabase("QPSQL", "book");
            book.ApplyTo(connection);
            QVERIFY(connection.open());
            QVERIFY(QSqlQuery(connection).exec("create table fPayout (PayoutID bigint)"));
        }
        QSqlDatabase::removeDatabase("book");
        const auto [fault, text] = Connect(book);
        QCOMPARE(fault, TServerFault::Other);
        QVERIFY2(text.startsWith("无法连接账本服务器 " + book.Shown()) &&
                     text.contains("alter database oldstrings set standard_conforming_strings = on"),
                 qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestServerConnection)
#include "tst_serverconnection.moc"
