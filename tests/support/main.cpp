// Test main: a QApplication on the offscreen platform, then every GoogleTest case.
#include "vb/Form.h"
#include "vb/Forms.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

// Every test ends with none of the program's windows loaded: the next test starts from none,
// and the last one leaves nothing behind for the leak check at the end of the process. An end
// of the program that a handler met and no code of the program saw again fails the test.
class WindowsGoAtTestEnd : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        if (vb::takeHeldEscape())
            ADD_FAILURE() << "an event handler ended the program, and the code that let it run never learnt of it";
        vb::Forms::unloadAll();
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new WindowsGoAtTestEnd);
    return RUN_ALL_TESTS();
}
