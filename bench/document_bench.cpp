// Times the document pane's heavy steps; prints the median of several runs in milliseconds.
// Run with QT_QPA_PLATFORM=offscreen.
#include "document/TextDetection.h"
#include "document/rtf/RtfReader.h"
#include "document/widgets/RichEditControl.h"
#include "platform/CodePage.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextDocument>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using namespace zarovia;
using namespace zarovia::document;

namespace {

// Processor time of the last measurement, which a busy machine inflates much less than the
// elapsed time.
double lastCpuMs = 0;

// Median elapsed milliseconds; lastCpuMs gets the median processor milliseconds.
double medianMs(int runs, const std::function<void()>& step) {
    std::vector<double> times, cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const std::clock_t start = std::clock();
        timer.start();
        step();
        times.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    lastCpuMs = cpu[cpu.size() / 2];
    return times[times.size() / 2];
}

// About `bytes` of RTF: formatted paragraphs in Japanese and English, then a table of
// `tableRows` rows.
QByteArray formattedRtf(qsizetype bytes, int tableRows) {
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fcharset128 IPAGothic;}{\\f1\\fcharset0 "
        "DejaVu Sans;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\n";
    int n = 0;
    while (rtf.size() < bytes - tableRows * 80) {
        rtf += "\\pard\\qj\\li360\\sa120\\f1\\fs22 Paragraph " + QByteArray::number(++n) +
               " with {\\b bold}, {\\i italic}, {\\ul underlined} and {\\cf1 red} words, then "
               "\\f0\\'93\\'fa\\'96\\'7b\\'8c\\'ea\\'82\\'cc\\'95\\'b6\\'8f\\'cd "
               "{\\cf2\\b\\u26085?\\u26412?} "
               "and more plain text to fill the line until it wraps at the edge.\\par\n";
    }
    int row = 0;
    while (row < tableRows) {
        rtf += "\\trowd\\cellx2000\\cellx4000\\cellx6000\\pard\\intbl\\f1 row " +
               QByteArray::number(++row) +
               "\\cell {\\b value}\\cell \\'93\\'fa\\'96\\'7b\\cell\\row\n";
    }
    return rtf + "\\pard end\\par}";
}

void report(const char* what, double elapsedMs) {
    std::printf("  %-58s %8.1f ms elapsed, %8.1f ms processor\n", what, elapsedMs, lastCpuMs);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    // A 1 MB document: formatted paragraphs with a 200-row table; and one that is a table
    // of 3,000 rows, the worst case for Qt's table layout.
    for (const int rows : {200, 3000}) {
        const QByteArray rtf = formattedRtf(1024 * 1024, rows);
        std::printf("RTF of %lld bytes with a table of %d rows:\n",
                    static_cast<long long>(rtf.size()), rows);
        report("read into a QTextDocument", medianMs(5, [&] {
                   QTextDocument doc;
                   readRtf(rtf, doc);
               }));
        report("read and wholly laid out at 800 px", medianMs(3, [&] {
                   QTextDocument doc;
                   readRtf(rtf, doc);
                   doc.setTextWidth(800);
                   (void)doc.documentLayout()->documentSize();
               }));
        RichEditControl rich;
        rich.resize(800, 600);
        rich.show();
        rich.setPlainTextMode(false);
        report("loaded into the control and its first screen painted", medianMs(5, [&] {
                   rich.loadBytes(rtf);
                   rich.repaint();
               }));
    }

    QByteArray head(kOtherDocumentHeadBytes, '\0');
    for (qsizetype i = 0; i < head.size(); ++i) head[i] = static_cast<char>(i * 31);
    RichEditControl edit;
    edit.resize(640, 480);
    edit.show();
    std::printf("Hex dump of 16,384 bytes:\n");
    report("dump text built", medianMs(21, [&] { (void)hexDumpText(head); }));
    report("cleared, dumped into the control in one edit", medianMs(11, [&] {
               edit.clearAll();
               edit.appendLines(hexDumpLines(head));
           }));
    report("the same and painted", medianMs(11, [&] {
               edit.clearAll();
               edit.appendLines(hexDumpLines(head));
               edit.repaint();
           }));
    report("cleared, dumped by 1,024 appends and painted", medianMs(5, [&] {
               edit.clearAll();
               for (const QString& line : hexDumpLines(head)) edit.appendLine(line);
               edit.repaint();
           }));

    QByteArray ini;
    const QByteArray line =
        "key\x93\xfa\x96\x7b=value \x82\xa0\x82\xa2\x82\xa4 some settings text, 0123456789\r\n";
    while (ini.size() < 10 * 1024 * 1024) ini += line;
    std::printf("Plain text of %lld bytes (Shift-JIS, %lld lines):\n",
                static_cast<long long>(ini.size()), static_cast<long long>(ini.count('\n')));
    report("decoded", medianMs(3, [&] { (void)decodeDocumentText(ini); }));
    report("decoded and set into a QTextDocument", medianMs(3, [&] {
               QTextDocument doc;
               doc.setUndoRedoEnabled(false);
               doc.setPlainText(decodeDocumentText(ini));
           }));
    edit.setPlainTextMode(true);
    report("loaded into the control and its first screen painted", medianMs(3, [&] {
               edit.clearAll();
               edit.loadBytes(ini);
               edit.repaint();
           }));
    return 0;
}
