#include "HandOffFailureMessage.h"

#include <QStringList>

QString HandOffFailureMessage(const QString& path, const QString& reason)
{
    const QStringList lines{
        QStringLiteral("表計算ソフトを起動できませんでした"),
        QStringLiteral("理由: ") + reason,
        QStringLiteral("抽出ファイルは次の場所に残してあります。表計算ソフトで開いてください"),
        path,
    };
    return lines.join(u'\n');
}
