// One executable for colour management: the profile path and transforms, then decoded pictures.
#include <QGuiApplication>

int runTestColour(int argc, char** argv);
int runTestColourPictures(int argc, char** argv);

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    int failures = 0;
    failures += runTestColour(argc, argv);
    failures += runTestColourPictures(argc, argv);
    return failures;
}
