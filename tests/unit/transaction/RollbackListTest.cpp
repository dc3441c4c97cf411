#include <gtest/gtest.h>

#include <string>

#include "transaction/StepList.h"

namespace {

// Writes "+name" for its Do and "-name" for its Undo into a shared log; either fails when told.
class CLoggedStep : public CStep {
public:
    CLoggedStep(std::string& log, char name, bool bDoFails = false, bool bUndoFails = false)
        : m_log(log), m_name(1, name), m_bDoFails(bDoFails), m_bUndoFails(bUndoFails) {}
    STEP_RESULT Do() override { return Log('+', m_bDoFails); }
    STEP_RESULT Undo() override { return Log('-', m_bUndoFails); }

private:
    STEP_RESULT Log(char sign, bool bFails) {
        m_log += sign + m_name;
        return bFails ? StepFailed(sign + m_name) : StepSucceeded();
    }

    std::string& m_log;
    const std::string m_name;
    const bool m_bDoFails, m_bUndoFails;
};

}  // namespace

// Done in order until one fails, which counts as done; undone newest first whatever each answers,
// the first failure answered; a stop asked for before each step; nothing committed ever undone.
TEST(RollbackList, DoesInOrderUndoesNewestFirstAndNeverUndoesWhatIsCommitted) {
    std::string log;
    CLoggedStep a(log, 'a', false, true), b(log, 'b', false, true), c(log, 'c', true), d(log, 'd');
    CRollbackList list;
    for (CStep* step : {&a, &b, &c, &d}) list.Add(*step);
    EXPECT_EQ(list.Do().strText, "+c");
    EXPECT_EQ(log, "+a+b+c");
    EXPECT_EQ(list.Undo().strText, "-b");
    EXPECT_EQ(log, "+a+b+c-c-b-a");
    EXPECT_FALSE(list.HasDone());

    log.clear();
    int checks = 0;
    CRollbackList stopped;
    for (CStep* step : {&a, &d, &b}) stopped.Add(*step);
    EXPECT_EQ(stopped.Do([&] { return ++checks == 3; }).outcome, STEP_STOPPED);
    EXPECT_EQ(log, "+a+d");
    stopped.Commit();
    EXPECT_FALSE(stopped.HasDone());
    EXPECT_TRUE(stopped.Undo().Succeeded());
    EXPECT_EQ(log, "+a+d");
}
