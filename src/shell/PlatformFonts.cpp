#include "PlatformFonts.h"

#include <QFont>

namespace zarovia::shell {

void substitutePlatformFonts() {
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QStringLiteral("HG行書体"), QStringLiteral("AoyagiKouzanFontT"));
    QFont::insertSubstitution(QStringLiteral("FixedSys"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
}

}  // namespace zarovia::shell
