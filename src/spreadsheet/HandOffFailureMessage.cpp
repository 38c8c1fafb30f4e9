#include "HandOffFailureMessage.h"

#include <QStringList>

QString HandOffFailureMessage(const QString& path, const QString& reason)
{
    const QStringList lines{
        QStringLiteral("表計算ソフトを起動できませんでした"),
        QStringLiteral("理由: ") + reason,
        QStringLiteral("LibreOffice Calc が入っていなければ、端末で "
                       "sudo apt install libreoffice-calc を実行して入れてください"),
        QStringLiteral("抽出ファイルは次の場所に残してあります。表計算ソフトで開いてください"),
        path,
    };
    return lines.join(u'\n');
}
