// One executable for the bitmap and icon decoders; each class tests one layer.
#include <QGuiApplication>

int runTestBmpFiles(int argc, char** argv);
int runTestDibEdges(int argc, char** argv);
int runTestIco(int argc, char** argv);
int runTestBudget(int argc, char** argv);

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    int failures = 0;
    failures += runTestDibEdges(argc, argv);
    failures += runTestIco(argc, argv);
    failures += runTestBmpFiles(argc, argv);
    failures += runTestBudget(argc, argv);
    return failures;
}
