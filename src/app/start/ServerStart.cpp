#include "app/start/ServerStart.h"

#include "data/Common.h"
#include "data/DataModule.h"
#include "data/engine/LedgerLocation.h"
#include "data/engine/ServerConnection.h"
#include "platform/MessagePresenter.h"

#include <QInputDialog>
#include <QLineEdit>

namespace ServerStart {

std::function<std::optional<QString>(const QString&)> AskPassword = [](const QString& prompt)
    -> std::optional<QString> {
    bool ok = false;
    const QString password = QInputDialog::getText(nullptr, MessageCaption, prompt,
                                                   QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    return password;
};

TOutcome Open() {
    bool asked = false;
    for (;;) {
        QString message;
        try {
            dmMain->Open();
            return TOutcome::Open;
        } catch (const EServerError& error) {
            TLedgerLocation location = TLedgerLocation::Current();
            if (error.Fault == TServerFault::NoPassword && !asked) {
                asked = true;
                const std::optional<QString> password = AskPassword(
                    QStringLiteral("账本服务器 %1 要求输入密码：").arg(location.Shown()));
                if (password && !password->isEmpty()) {
                    location.SetPassword(*password);
                    TLedgerLocation::SetCurrent(location);
                    continue;
                }
            }
            // A password typed here needs no advice about ~/.pgpass.
            const bool password = error.Fault == TServerFault::NoPassword ||
                                  error.Fault == TServerFault::WrongPassword;
            message = password ? ServerConnection::FaultText(error.Fault, location, error.Detail,
                                                             ServerConnection::TAdvice::Window)
                               : error.Message;
        } catch (const Exception& error) {
            message = error.Message; // a book whose tables are damaged, say
        }
        return TCommon::ShowConfirm(message + QStringLiteral("\n\n") + UseFileQuestion)
                   ? TOutcome::UseFile
                   : TOutcome::End;
    }
}

} // namespace ServerStart
