#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors/ErrorTrail.h"
#include "frame/Registry.h"

namespace {

// A frame object that writes "name.Operation" into a shared journal and fails (records an
// error) in the operation it is told to.
class JournalObject : public frame::FrameObject {
public:
    JournalObject(std::string name, std::vector<std::string>& journal) : m_name(std::move(name)), m_journal(journal) {}

    std::string FailIn;

    void Init() override { Note("Init"); }
    void Shutdown() override { Note("Shutdown"); }
    void CreateDeviceObjects() override { Note("Create"); }
    void ReleaseDeviceObjects() override { Note("Release"); }
    void RestoreDeviceObjects() override { Note("Restore"); }
    void InvalidateDeviceObjects() override { Note("Invalidate"); }

private:
    void Note(const std::string& operation) {
        m_journal.push_back(m_name + "." + operation);
        if (operation == FailIn) RaiseError(m_name + " failed in " + operation);
    }

    std::string m_name;
    std::vector<std::string>& m_journal;
};

// A set-up pass and the tear-down pass that undoes it.
struct PassPair {
    const char* Name;
    const char* SetUp;
    const char* TearDown;
    void (frame::Registry::*Forward)();
    void (frame::Registry::*Backward)();

    friend void PrintTo(const PassPair& pair, std::ostream* out) { *out << pair.Name; }
};

class RegistryPasses : public testing::TestWithParam<PassPair> {
protected:
    void SetUp() override {
        ClearErrors();
        for (const char* name : {"A", "B", "C"}) {
            m_objects.emplace_back(name, m_journal);
        }
        for (JournalObject& object : m_objects) m_registry.Register(&object);
    }
    void TearDown() override { ClearErrors(); }

    void Run(void (frame::Registry::*pass)()) { (m_registry.*pass)(); }
    std::vector<std::string> Take() { return std::exchange(m_journal, {}); }
    std::string Op(const char* name, const char* operation) { return std::string(name) + "." + operation; }

    std::vector<std::string> m_journal;
    std::vector<JournalObject> m_objects;
    frame::Registry m_registry;
};

TEST_P(RegistryPasses, SetUpGoesForwardAndTearDownBackward) {
    const PassPair& pass = GetParam();
    Run(pass.Forward);
    EXPECT_EQ(Take(), (std::vector<std::string> {Op("A", pass.SetUp), Op("B", pass.SetUp), Op("C", pass.SetUp)}));
    Run(pass.Backward);
    EXPECT_EQ(Take(), (std::vector<std::string> {Op("C", pass.TearDown), Op("B", pass.TearDown), Op("A", pass.TearDown)}));
}

TEST_P(RegistryPasses, RunningAPassTwiceDoesNothingTheSecondTime) {
    const PassPair& pass = GetParam();
    Run(pass.Forward);
    Take();
    Run(pass.Forward);
    EXPECT_TRUE(Take().empty());
    Run(pass.Backward);
    Take();
    Run(pass.Backward);
    EXPECT_TRUE(Take().empty());
}

TEST_P(RegistryPasses, SetUpStopsAtTheFailingObjectWhichIsNotTornDown) {
    const PassPair& pass = GetParam();
    m_objects[1].FailIn = pass.SetUp;
    Run(pass.Forward);
    EXPECT_EQ(Take(), (std::vector<std::string> {Op("A", pass.SetUp), Op("B", pass.SetUp)}));
    EXPECT_TRUE(ErrorRaised());
    Run(pass.Backward);
    EXPECT_EQ(Take(), (std::vector<std::string> {Op("A", pass.TearDown)}));
}

TEST_P(RegistryPasses, SetUpAfterAFailureResumesAtTheObjectThatFailed) {
    const PassPair& pass = GetParam();
    m_objects[1].FailIn = pass.SetUp;
    Run(pass.Forward);
    Take();
    ClearErrors();
    m_objects[1].FailIn.clear();
    Run(pass.Forward);
    EXPECT_EQ(Take(), (std::vector<std::string> {Op("B", pass.SetUp), Op("C", pass.SetUp)}));
}

TEST_P(RegistryPasses, TearDownGoesOnPastErrors) {
    const PassPair& pass = GetParam();
    Run(pass.Forward);
    Take();
    m_objects[2].FailIn = pass.TearDown;
    m_objects[1].FailIn = pass.TearDown;
    Run(pass.Backward);
    EXPECT_EQ(Take(), (std::vector<std::string> {Op("C", pass.TearDown), Op("B", pass.TearDown), Op("A", pass.TearDown)}));
    // Each flag was cleared before its call, so nothing is torn down twice.
    Run(pass.Backward);
    EXPECT_TRUE(Take().empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachPair, RegistryPasses,
    testing::Values(PassPair {"Life", "Init", "Shutdown", &frame::Registry::InitPass, &frame::Registry::ShutdownPass},
                    PassPair {"DeviceObjects", "Create", "Release", &frame::Registry::CreateDeviceObjectsPass,
                              &frame::Registry::ReleaseDeviceObjectsPass},
                    PassPair {"ResetObjects", "Restore", "Invalidate", &frame::Registry::RestoreDeviceObjectsPass,
                              &frame::Registry::InvalidateDeviceObjectsPass}),
    [](const testing::TestParamInfo<PassPair>& info) { return info.param.Name; });

TEST(Registry, EachPairKeepsItsOwnFlags) {
    ClearErrors();
    std::vector<std::string> journal;
    JournalObject a("A", journal);
    frame::Registry registry;
    registry.Register(&a);
    registry.InitPass();
    registry.CreateDeviceObjectsPass();
    journal.clear();
    // Not restored yet: invalidating does nothing, releasing and shutting down do their part.
    registry.InvalidateDeviceObjectsPass();
    registry.ReleaseDeviceObjectsPass();
    registry.ShutdownPass();
    EXPECT_EQ(journal, (std::vector<std::string> {"A.Release", "A.Shutdown"}));
}

}  // namespace
