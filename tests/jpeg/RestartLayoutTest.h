#pragma once

#include <QObject>

// Finding where a baseline JPEG's restart segments start rows, from its markers alone, and
// splitting the picture into bands there.
class RestartLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void refusesOtherFiles_data();
    void refusesOtherFiles();
    void findsRowStarts_data();
    void findsRowStarts();
    void plansBands_data();
    void plansBands();
};
