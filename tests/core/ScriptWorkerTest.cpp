// The thread that runs script calls while the caller waits: the hand-off, the waits, failures
// carried back, and an automaton's script set up on one thread and run on the other.
#include <csignal>
#include <future>
#include <set>
#include <numeric>
#include <stdexcept>
#include <thread>

#include "CoreTestSupport.h"
#include "core/ScriptWorker.h"

namespace core {
namespace {

// One persistent thread runs the calls in order, each seeing what the ones before it did. It
// can run what the main thread can (a stack as large as the main thread's limit), and the
// termination signals go to the main thread, never to it.
TEST(ScriptWorker, RunsEachCallOnOnePersistentThreadInOrder) {
    ScriptWorker worker;
    EXPECT_GE(worker.StackSize(), size_t { 8 } << 20);
    std::vector<int> order;
    std::set<std::thread::id> threads;
    for (int i = 0; i < 200; ++i)
        worker.Run([&, i] {
            order.push_back(i);
            if (worker.OnWorkerThread()) threads.insert(std::this_thread::get_id());
        });
    std::vector<int> expected(200);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_FALSE(threads.contains(std::this_thread::get_id()) || worker.OnWorkerThread());
    std::vector<int> blocked;
    worker.Run([&] {
        sigset_t mask;
        pthread_sigmask(SIG_BLOCK, nullptr, &mask);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) blocked.push_back(sigismember(&mask, signal));
        volatile char deep[6 << 20];  // most of the stack at once: too much for a small thread's stack
        deep[0] = 1;
        deep[sizeof deep - 1] = 1;
    });
    EXPECT_EQ(blocked, (std::vector {1, 1, 1, 1}));
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_FALSE(sigismember(&mask, SIGTERM)) << "the caller's mask is as it was";
}

TEST(ScriptWorker, WaitForTellsWhetherTheCallHasEndedAndCarriesItsExceptionBackOnce) {
    ScriptWorker worker;
    EXPECT_TRUE(worker.WaitFor(0.0)) << "nothing handed over: nothing to wait for";
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    worker.Start([released] { released.wait(); });
    EXPECT_FALSE(worker.WaitFor(0.02));
    EXPECT_FALSE(worker.Idle());
    release.set_value();
    EXPECT_TRUE(worker.WaitFor(10.0));
    EXPECT_TRUE(worker.Idle());

    worker.Start([] { throw std::runtime_error("zepsute"); });
    try {
        worker.Wait();
        ADD_FAILURE() << "the call's exception is thrown by the wait";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(), "zepsute");
    }
    EXPECT_NO_THROW(EXPECT_TRUE(worker.WaitFor(0.0)));
}

const std::string Counter = R"(
void OnInit() { SetBuffer_u1(0, 0, 7); }
void OnFrame() { assert(GetBuffer_u1(0, 0) < 9); SetBuffer_u1(0, 0, GetBuffer_u1(0, 0) + 1); }
)";

// The script is compiled and OnInit run on the worker, iterated there and on the caller's
// thread in turn; a script exception raised on the worker reaches the caller's trail.
TEST(ScriptWorker, AnAutomatonLoadedThereRunsOnEitherThreadInTurn) {
    ScriptWorker worker;
    errors::ClearErrors();
    Automaton automaton;
    bool loaded = false;
    const std::string path = WriteFile(Definition(Counter));
    worker.Run([&] { loaded = automaton.LoadDefinition(path); });
    ASSERT_TRUE(loaded) << testing::PrintToString(TakeChain());
    worker.Run([&] { automaton.ComputeIteration(); });
    automaton.ComputeIteration();
    EXPECT_EQ(automaton.Cells().ReadCell(0, 0).u1, 9u);
    EXPECT_FALSE(errors::ErrorRaised());
    worker.Run([&] { automaton.ComputeIteration(); });
    ASSERT_TRUE(errors::ErrorRaised());
    Chain chain = TakeChain();
    EXPECT_NE(std::find(chain.begin(), chain.end(), "Komunikat: Asercja jest fałszywa"), chain.end())
        << testing::PrintToString(chain);
}

// A call that would never end ends when the context is aborted from the waiting thread, in
// the interpreter and in machine code alike (the test runs once each way).
TEST(ScriptWorker, AnEndlessCallEndsWhenItsContextIsAbortedFromTheCaller) {
    ScriptWorker worker;
    auto automaton = LoadAutomaton(Definition("void OnInit() {}\nvoid OnFrame() { int n = 0; while (true) { n++; } }\n"));
    ASSERT_TRUE(automaton->Loaded());
    worker.Start([&] { automaton->ComputeIteration(); });
    EXPECT_FALSE(worker.WaitFor(0.1));
    automaton->Script().Context()->Abort();
    EXPECT_TRUE(worker.WaitFor(10.0));
    errors::ClearErrors();
}

}  // namespace
}  // namespace core
