// The way back from a worker: a job's value or failure reaches its receiver on the receiver's
// thread, and nothing reaches it when it no longer waits (a stale result), when the job was
// cancelled, or when the receiver is gone.
#include "platform/Failure.h"
#include "platform/WorkerReturn.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace zarovia;

// Named rather than anonymous: the test class's lambdas capture it, and a unity build would
// otherwise warn that they use a type with internal linkage.
namespace worker_return_test {

// What reached the receiver.
struct Arrival {
    int count = 0;
    int value = 0;
    QString failure;
    bool onHomeThread = false;
    bool acceptOnHomeThread = true;
};

}  // namespace worker_return_test

using worker_return_test::Arrival;

class WorkerReturnTest : public QObject {
    Q_OBJECT
private slots:
    void outcomeReachesOnlyAWaitingReceiver_data() {
        QTest::addColumn<bool>("fails");
        QTest::addColumn<bool>("stillWaited");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<bool>("receiverGone");
        QTest::addColumn<bool>("arrives");
        QTest::newRow("value") << false << true << false << false << true;
        QTest::newRow("failure") << true << true << false << false << true;
        QTest::newRow("stale value dropped") << false << false << false << false << false;
        QTest::newRow("stale failure dropped") << true << false << false << false << false;
        QTest::newRow("cancelled at a checkpoint") << false << true << true << false << false;
        QTest::newRow("receiver gone") << false << true << false << true << false;
    }

    void outcomeReachesOnlyAWaitingReceiver() {
        QFETCH(bool, fails);
        QFETCH(bool, stillWaited);
        QFETCH(bool, cancelled);
        QFETCH(bool, receiverGone);
        QFETCH(bool, arrives);

        WorkerPool pool;
        auto home = std::make_unique<QObject>();
        QThread* homeThread = home->thread();
        auto arrival = std::make_shared<Arrival>();
        auto cancel = std::make_shared<std::atomic<bool>>(false);
        runAndReturn(
            pool, WorkerPool::Priority::Shown, [cancel] { return !cancel->load(); }, home.get(),
            [stillWaited, arrival, homeThread] {
                arrival->acceptOnHomeThread =
                    arrival->acceptOnHomeThread && QThread::currentThread() == homeThread;
                return stillWaited;
            },
            [fails, cancelled, cancel] {
                if (cancelled) {
                    cancel->store(true);
                    checkpoint();
                }
                if (fails) throw Failure(QStringLiteral("読めません"));
                // A result that can only be moved, as a built document is.
                return std::make_unique<int>(42);
            },
            [arrival, homeThread](WorkerOutcome<std::unique_ptr<int>> outcome) {
                ++arrival->count;
                arrival->onHomeThread = QThread::currentThread() == homeThread;
                if (outcome.value) arrival->value = **outcome.value;
                try {
                    if (outcome.failure) std::rethrow_exception(outcome.failure);
                } catch (const Failure& failure) {
                    arrival->failure = failure.message();
                }
            });
        QVERIFY(pool.waitForIdle(5000));
        // The step is on its way: nothing runs before the receiver's thread takes its events.
        QCOMPARE(arrival->count, 0);
        if (receiverGone) home.reset();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();

        QCOMPARE(arrival->count, arrives ? 1 : 0);
        QVERIFY(arrival->acceptOnHomeThread);
        if (!arrives) return;
        QVERIFY(arrival->onHomeThread);
        QCOMPARE(arrival->value, fails ? 0 : 42);
        QCOMPARE(arrival->failure, fails ? QStringLiteral("読めません") : QString());
    }

    // A step sent from a worker thread runs on the receiver's thread, in the order sent.
    void stepsFromAWorkerKeepTheirOrder() {
        QObject home;
        std::vector<int> order;
        std::thread worker([&] {
            for (int i = 0; i < 3; ++i) returnTo(&home, {}, [&order, i] { order.push_back(i); });
            returnTo(
                &home, [] { return false; }, [&order] { order.push_back(-1); });
        });
        worker.join();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(order, (std::vector<int>{0, 1, 2}));
    }
};

QTEST_GUILESS_MAIN(WorkerReturnTest)
#include "WorkerReturnTest.moc"
