// The worker pool: jobs no longer wanted are dropped or stopped at their next checkpoint, the
// window's jobs always find a thread while reading ahead, closing never waits for a stuck job,
// and a process that quits with a stuck job still ends.
#include "platform/Cancellation.h"
#include "platform/WorkerPool.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <atomic>
#include <memory>
#include <thread>

using namespace zarovia;
using Priority = WorkerPool::Priority;

namespace {

using Flag = std::shared_ptr<std::atomic<bool>>;
Flag flag(bool value = false) {
    return std::make_shared<std::atomic<bool>>(value);
}

// Waits up to `ms` for `done`.
bool waitUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A job that passes a checkpoint every millisecond until `release` is set, and records whether
// it stopped at one.
std::function<void()> checkpointingJob(Flag started, Flag release, Flag stopped) {
    return [started, release, stopped] {
        started->store(true);
        try {
            while (!release->load()) {
                checkpoint();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        } catch (const WorkCancelled&) {
            stopped->store(true);
            throw;
        }
    };
}

// A job that holds its thread until `release` is set, passing no checkpoint (a read from a
// dead network share).
std::function<void()> stuckJob(Flag started, Flag release) {
    return [started, release] {
        started->store(true);
        while (!release->load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
}

}  // namespace

class WorkerPoolTest : public QObject {
    Q_OBJECT

private slots:
    void jobsRunAndAreWaitedFor() {
        WorkerPool pool;
        std::atomic<int> ran{0};
        for (int i = 0; i < 20; ++i)
            pool.run([&ran] { ++ran; }, i % 2 ? Priority::Shown : Priority::ReadAhead);
        QVERIFY(pool.waitForIdle(5000));
        QCOMPARE(ran.load(), 20);
    }

    // A job the window no longer wants when its turn comes never starts; one under way stops at
    // its next checkpoint, silently.
    void unwantedJobsAreDroppedOrStopped() {
        WorkerPool pool(1);
        const Flag wanted = flag(true);
        const Flag started = flag(), release = flag(), stopped = flag();
        pool.run(checkpointingJob(started, release, stopped), Priority::Shown,
                 [wanted] { return wanted->load(); });
        std::atomic<bool> queuedRan{false};
        pool.run([&queuedRan] { queuedRan = true; }, Priority::Shown,
                 [wanted] { return wanted->load(); });
        QVERIFY(waitUntil([&] { return started->load(); }));
        wanted->store(false);
        QVERIFY(pool.waitForIdle(5000));
        QVERIFY(stopped->load());
        QVERIFY(!queuedRan.load());
        release->store(true);
    }

    // Reading ahead never takes the last thread: a job for the window starts while reads ahead
    // hold on to theirs, and the second read ahead waits its turn.
    void theShownPictureAlwaysFindsAThread() {
        WorkerPool pool;
        const Flag release = flag();
        const Flag ahead1 = flag(), ahead2 = flag();
        pool.run(stuckJob(ahead1, release), Priority::ReadAhead);
        pool.run(stuckJob(ahead2, release), Priority::ReadAhead);
        QVERIFY(waitUntil([&] { return ahead1->load(); }));
        std::atomic<bool> shown{false};
        pool.run([&shown] { shown = true; }, Priority::Shown);
        QVERIFY(waitUntil([&] { return shown.load(); }));
        QVERIFY(!ahead2->load());
        release->store(true);
        QVERIFY(pool.waitForIdle(5000));
        QVERIFY(ahead2->load());
    }

    // With both threads busy (a read ahead and a job for the window), the next job for the
    // window takes the read ahead's thread: the read ahead stops at its next checkpoint.
    void readAheadYieldsToAWaitingShow() {
        WorkerPool pool;
        const Flag release = flag();
        const Flag aheadStarted = flag(), aheadStopped = flag();
        pool.run(checkpointingJob(aheadStarted, release, aheadStopped), Priority::ReadAhead);
        QVERIFY(waitUntil([&] { return aheadStarted->load(); }));
        const Flag busyStarted = flag();
        pool.run(stuckJob(busyStarted, release), Priority::Shown);
        QVERIFY(waitUntil([&] { return busyStarted->load(); }));
        QVERIFY(!pool.shownWorkWaiting());
        std::atomic<bool> shown{false};
        pool.run([&shown] { shown = true; }, Priority::Shown);
        QVERIFY(waitUntil([&] { return shown.load(); }));
        QVERIFY(aheadStopped->load());
        QVERIFY(!pool.shownWorkWaiting());
        release->store(true);
        QVERIFY(pool.waitForIdle(5000));
    }

    // Every thread held by a job that passes no checkpoint: the window's job still runs, on a
    // thread on stand-by, while reading ahead waits.
    void aJobForTheWindowRunsWhileEveryThreadIsStuck() {
        WorkerPool pool;
        const Flag release = flag();
        const Flag stuck1 = flag(), stuck2 = flag();
        pool.run(stuckJob(stuck1, release), Priority::Shown);
        pool.run(stuckJob(stuck2, release), Priority::Shown);
        QVERIFY(waitUntil([&] { return stuck1->load() && stuck2->load(); }));
        std::atomic<bool> shown{false};
        std::atomic<bool> ahead{false};
        pool.run([&ahead] { ahead = true; }, Priority::ReadAhead);
        pool.run([&shown] { shown = true; }, Priority::Shown);
        QVERIFY(waitUntil([&] { return shown.load(); }));
        QVERIFY(!ahead.load());
        release->store(true);
        QVERIFY(pool.waitForIdle(5000));
        QVERIFY(ahead.load());
    }

    // Closing stops the jobs that pass checkpoints and leaves a stuck one behind instead of
    // waiting for it (here it would wait until the test releases it: forever).
    void closingNeverWaitsForAStuckJob() {
        const Flag release = flag();
        const Flag stuckStarted = flag();
        const Flag started = flag(), stopped = flag();
        QElapsedTimer clock;
        {
            WorkerPool pool;
            pool.run(stuckJob(stuckStarted, release), Priority::Shown);
            pool.run(checkpointingJob(started, release, stopped), Priority::Shown);
            QVERIFY(waitUntil([&] { return stuckStarted->load() && started->load(); }));
            clock.start();
        }
        const qint64 closedAfter = clock.elapsed();
        QVERIFY(stopped->load());
        QVERIFY2(closedAfter < 3000, qPrintable(QString::number(closedAfter)));
        release->store(true);
    }

    // The way out of the program: a worker stuck in a job without checkpoints does not keep the
    // process alive (the helper's job would hold it for a minute).
    void aProcessWithAStuckWorkerStillEnds() {
        QProcess helper;
        QElapsedTimer clock;
        clock.start();
        helper.start(QStringLiteral(ZAROVIA_QUIT_HELPER), {});
        QVERIFY2(helper.waitForStarted(), ZAROVIA_QUIT_HELPER);
        QVERIFY(helper.waitForFinished(20000));
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.exitCode(), 7);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(helper.readAllStandardOutput(), QByteArray("closing\n"));
    }
};

QTEST_GUILESS_MAIN(WorkerPoolTest)
#include "WorkerPoolTest.moc"
