#pragma once

#include <QString>
#include <QtTest>

// A test whose input is missing (the shared corpus, a command-line tool, a media decoder) may
// skip on a developer's machine; under CI (CI=true) it fails and names what is missing, so a
// green run never hides a test that did not run.
inline bool zaroviaUnderCi() {
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

#define ZAROVIA_REQUIRE_INPUT(present, what)                                  \
    do {                                                                      \
        if (!(present)) {                                                     \
            const QByteArray zaroviaMissing =                                 \
                (QStringLiteral("missing input: ") + QString(what)).toUtf8(); \
            if (zaroviaUnderCi())                                             \
                QFAIL(zaroviaMissing.constData());                            \
            else                                                              \
                QSKIP(zaroviaMissing.constData());                            \
        }                                                                     \
    } while (false)
