// The scripted user and the simulated dialogs: answers, the main dialog's
// actions, posted messages, EndDialog, item texts, the cancel poll and the
// progress painting.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine.h"

using ::testing::ElementsAre;

namespace {

// A small dialog procedure that records what it is sent and acts like the
// main dialog: Install reads the edit and ends with 1 when it is not empty.
struct Recorder {
    sim::Machine* m = nullptr;
    std::vector<std::string> messages;
    std::string destination;
    int cancelAnswer = 0;
};

std::intptr_t MainProc(void* context, os::Window dialog, unsigned message, std::uintptr_t wParam,
                       std::intptr_t) {
    Recorder& r = *static_cast<Recorder*>(context);
    if (message == os::WM_INITDIALOG) {
        r.messages.push_back("init");
        r.m->LimitItemText(dialog, 258, 10);
        r.m->SetItemText(dialog, 258, "C:\\PROPOSED");
        return 1;
    }
    if (message != os::WM_COMMAND) return 0;
    if (wParam == 1007) {
        char buffer[64];
        r.m->GetItemText(dialog, 258, buffer, sizeof buffer);
        r.destination = buffer;
        r.messages.push_back(std::string("install:") + buffer);
        if (r.destination.size() > 3) r.m->EndDialog(dialog, 1);
        return 1;
    }
    if (wParam == os::IDCANCEL) {
        r.messages.push_back("cancel");
        r.cancelAnswer = r.m->MessageBox(dialog, "Do you want to abort the installation?", "T",
                                         os::MB_YESNO | os::MB_ICONQUESTION);
        if (r.cancelAnswer == os::IDYES) r.m->EndDialog(dialog, 0);
        return 1;
    }
    if (wParam == os::IDHELP) r.messages.push_back("help");
    return 1;
}

// Acts like the progress dialog: posts itself the work, which polls for
// Cancel five times and ends with 1 unless cancelled.
struct Work {
    sim::Machine* m = nullptr;
    os::Window window = 0;
    bool aborted = false;
    std::vector<int> pollsSeenCancel;
    std::intptr_t endWith = 1;
};

std::intptr_t ProgressProc(void* context, os::Window dialog, unsigned message, std::uintptr_t wParam,
                           std::intptr_t) {
    Work& w = *static_cast<Work*>(context);
    if (message == os::WM_INITDIALOG) {
        w.window = dialog;
        w.m->SetItemText(dialog, 384, "Initializing...");
        w.m->PostMessage(dialog, os::RunWorkMessage, 0, 0);
        return 1;
    }
    if (message == os::WM_COMMAND && wParam == os::IDCANCEL) {
        if (w.m->MessageBox(dialog, "Abort?", "T", os::MB_YESNO) == os::IDYES) {
            w.aborted = true;
            w.m->EndDialog(dialog, 0);
        }
        return 1;
    }
    if (message == os::RunWorkMessage) {
        for (int i = 1; i <= 5 && !w.aborted; ++i) {
            w.m->SetItemText(dialog, 385, ("file " + std::to_string(i)).c_str());
            w.m->PeekMessage();
            bool button = w.m->GetAsyncKeyState(os::VK_LBUTTON) & 0x8000;
            if (button) {
                os::Point p{};
                os::Rect cancel{};
                w.m->GetCursorPos(&p);
                w.m->GetItemRect(dialog, os::IDCANCEL, false, &cancel);
                if (p.x >= cancel.left && p.x < cancel.right && p.y >= cancel.top && p.y < cancel.bottom) {
                    w.pollsSeenCancel.push_back(i);
                    w.m->SendCancelCommand(dialog);
                }
            } else if (w.m->GetAsyncKeyState(os::VK_ESCAPE) & 0x8000) {
                w.pollsSeenCancel.push_back(i);
                w.m->SendCancelCommand(dialog);
            }
        }
        // The run's own request comes last and wins.
        w.m->EndDialog(dialog, w.aborted ? 0 : w.endWith);
        return 1;
    }
    return 0;
}

}  // namespace

TEST(SimUser, QuestionsTakeScriptedAnswersAndOtherBoxesAreConfirmed) {
    sim::Machine m = sim::Machine::NT40();
    m.AnswerQuestions({os::IDNO, os::IDYES});
    EXPECT_EQ(m.MessageBox(0, "Error text", "T - Error", os::MB_OK | os::MB_ICONERROR), os::IDOK);
    EXPECT_EQ(m.MessageBox(0, "Q1", "T", os::MB_YESNO), os::IDNO);
    EXPECT_EQ(m.MessageBox(0, "Q2", "T", os::MB_YESNO), os::IDYES);
    m.SetDefaultAnswer(os::IDNO);
    EXPECT_EQ(m.MessageBox(0, "Q3", "T", os::MB_YESNO), os::IDNO);
    ASSERT_EQ(m.Boxes().size(), 4u);
    EXPECT_EQ(m.Boxes()[0].caption, "T - Error");
    EXPECT_EQ(m.Boxes()[0].type, os::MB_OK | os::MB_ICONERROR);
    EXPECT_EQ(m.Boxes()[1].answer, os::IDNO);
}

TEST(SimUser, TheMainDialogRunsTheScriptedActionsInOrder) {
    sim::Machine m = sim::Machine::NT40();
    Recorder r;
    r.m = &m;
    m.TypeDestination("C:\\");
    m.PressInstall();
    m.PressHelp();
    m.TypeDestination("C:\\APP");
    m.PressInstall();
    EXPECT_EQ(m.DialogBox(os::MainDialogId, 0, &MainProc, &r), 1);
    EXPECT_THAT(r.messages, ElementsAre("init", "install:C:\\", "help", "install:C:\\APP"));
    EXPECT_THAT(m.ItemHistory(258), ElementsAre("C:\\PROPOSED", "C:\\", "C:\\APP"));
    EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId));
}

TEST(SimUser, TypingStopsAtTheEditLimit) {
    sim::Machine m = sim::Machine::NT40();
    Recorder r;
    r.m = &m;
    m.TypeDestination("C:\\ABCDEFGHIJKLMNOP");
    m.PressInstall();
    EXPECT_EQ(m.DialogBox(os::MainDialogId, 0, &MainProc, &r), 1);
    EXPECT_EQ(r.destination, "C:\\ABCDEFG");
}

TEST(SimUser, AnExhaustedScriptCancelsAndConfirms) {
    sim::Machine m = sim::Machine::NT40();
    m.AnswerQuestions({os::IDNO});  // kept for later boxes: the automatic Yes comes first
    Recorder r;
    r.m = &m;
    EXPECT_EQ(m.DialogBox(os::MainDialogId, 0, &MainProc, &r), 0);
    EXPECT_THAT(r.messages, ElementsAre("init", "cancel"));
    EXPECT_EQ(m.MessageBox(0, "later", "T", os::MB_YESNO), os::IDNO);
}

TEST(SimUser, CancelAnsweredNoLeavesTheDialogOpen) {
    sim::Machine m = sim::Machine::NT40();
    m.AnswerNextQuestion(os::IDNO);
    m.PressCancel();
    m.PressInstall();
    Recorder r;
    r.m = &m;
    EXPECT_EQ(m.DialogBox(os::MainDialogId, 0, &MainProc, &r), 1);
    EXPECT_THAT(r.messages, ElementsAre("init", "cancel", "install:C:\\PROPOSED"));
}

TEST(SimUser, GetItemTextCopiesAtMostSizeMinusOneCharacters) {
    sim::Machine m = sim::Machine::NT40();
    struct Probe {
        sim::Machine* m;
        std::string got;
        std::intptr_t length = 0;
    } probe{&m, "", 0};
    auto proc = [](void* c, os::Window d, unsigned msg, std::uintptr_t, std::intptr_t) -> std::intptr_t {
        Probe& p = *static_cast<Probe*>(c);
        if (msg != os::WM_INITDIALOG) return 0;
        p.m->SetItemText(d, 258, "C:\\LONGER");
        char buffer[5] = {'x', 'x', 'x', 'x', 'x'};
        p.length = p.m->GetItemText(d, 258, buffer, 4);
        p.got = buffer;
        p.m->EndDialog(d, 7);
        return 1;
    };
    EXPECT_EQ(m.DialogBox(os::MainDialogId, 0, proc, &probe), 7);
    EXPECT_EQ(probe.got, "C:\\");
    EXPECT_EQ(probe.length, 3);
}

TEST(SimUser, TheProgressDialogRunsPostedWorkAndTheRunsResultWins) {
    sim::Machine m = sim::Machine::NT40();
    Work w;
    w.m = &m;
    w.endWith = 1;
    EXPECT_EQ(m.DialogBox(os::ProgressDialogId, 0, &ProgressProc, &w), 1);
    EXPECT_EQ(m.Polls(), 5);
    EXPECT_THAT(m.StatusHistory(), ElementsAre("384:Initializing...", "385:file 1", "385:file 2",
                                               "385:file 3", "385:file 4", "385:file 5"));
}

TEST(SimUser, EscapeHeldAtAPollCancelsAfterYes) {
    sim::Machine m = sim::Machine::NT40();
    m.HoldEscapeAtPoll(3);
    Work w;
    w.m = &m;
    EXPECT_EQ(m.DialogBox(os::ProgressDialogId, 0, &ProgressProc, &w), 0);
    EXPECT_THAT(w.pollsSeenCancel, ElementsAre(3));
    EXPECT_EQ(m.Polls(), 3);
}

TEST(SimUser, TheMouseHeldOnCancelCancelsButElsewhereDoesNot) {
    sim::Machine m = sim::Machine::NT40();
    m.HoldMouseElsewhereAtPoll(2);
    m.HoldMouseOnCancelAtPoll(4);
    m.AnswerNextQuestion(os::IDNO);
    Work w;
    w.m = &m;
    EXPECT_EQ(m.DialogBox(os::ProgressDialogId, 0, &ProgressProc, &w), 1);
    EXPECT_THAT(w.pollsSeenCancel, ElementsAre(4));
    EXPECT_EQ(m.Boxes().size(), 1u);
}

TEST(SimUser, DialogsHaveGeometryFromTheirTemplates) {
    sim::Machine m = sim::Machine::NT40();
    struct Geometry {
        sim::Machine* m;
        os::Rect client{}, frame{}, frameScreen{}, cancel{};
        bool missing = true;
    } g{&m};
    auto proc = [](void* c, os::Window d, unsigned msg, std::uintptr_t, std::intptr_t) -> std::intptr_t {
        Geometry& x = *static_cast<Geometry*>(c);
        if (msg != os::WM_INITDIALOG) return 0;
        x.m->GetClientRect(d, &x.client);
        x.m->GetItemRect(d, 386, true, &x.frame);
        x.m->GetItemRect(d, 386, false, &x.frameScreen);
        os::Rect none{};
        x.missing = !x.m->GetItemRect(d, 999, true, &none);
        x.m->MoveWindow(d, 10, 20);
        x.m->GetItemRect(d, os::IDCANCEL, false, &x.cancel);
        x.m->EndDialog(d, 1);
        return 1;
    };
    ASSERT_EQ(m.DialogBox(os::ProgressDialogId, 0, proc, &g), 1);
    EXPECT_GT(g.client.right, g.frame.right);
    EXPECT_GT(g.frame.right - g.frame.left, 300);
    EXPECT_GT(g.frame.bottom - g.frame.top, 15);
    EXPECT_EQ(g.frameScreen.right - g.frameScreen.left, g.frame.right - g.frame.left);
    EXPECT_GT(g.frameScreen.left, g.frame.left);
    EXPECT_TRUE(g.missing);
    EXPECT_GT(g.cancel.left, 10);
    EXPECT_LT(g.cancel.left, 10 + g.client.right);
    EXPECT_EQ(m.LastWindowPosition().x, 10);
}

TEST(SimUser, ProgressIsRecordedOnlyIntoAHeldDeviceContext) {
    sim::Machine m = sim::Machine::NT40();
    os::DeviceContext dc = m.GetDC(0x1234);
    ASSERT_NE(dc, 0u);
    m.PaintProgress(dc, os::Rect{2, 2, 50, 20}, os::Rect{2, 2, 100, 20}, "48%");
    m.ReleaseDC(0x1234, dc);
    m.PaintProgress(dc, os::Rect{2, 2, 60, 20}, os::Rect{2, 2, 100, 20}, "58%");
    EXPECT_EQ(m.LastProgress().percent, "48%");
    EXPECT_EQ(m.LastProgress().filled.right, 50);
    EXPECT_THAT(m.ProgressHistory(), ElementsAre("48%"));
}

TEST(SimUser, AnUnknownTemplateCannotBeOpened) {
    sim::Machine m = sim::Machine::NT40();
    Recorder r;
    r.m = &m;
    EXPECT_EQ(m.DialogBox(999, 0, &MainProc, &r), -1);
    EXPECT_TRUE(r.messages.empty());
}
