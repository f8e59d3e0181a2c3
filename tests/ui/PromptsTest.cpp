#include "ui/Prompts.h"
#include "ui/ScriptedPrompts.h"

#include <gtest/gtest.h>

using namespace ui;

TEST(QtFilter, LanguageFormToQtForm) {
    EXPECT_EQ(ToQtFilter("Log file(*.log)|*.log"), "Log file (*.log)");
    EXPECT_EQ(ToQtFilter("Audio files|*.wav;*.mp3; *.wma|All files (*.*)|*.*"),
              "Audio files (*.wav *.mp3 *.wma);;All files (*.*)");
    EXPECT_EQ(ToQtFilter("|*.iso"), "*.iso (*.iso)");
    EXPECT_EQ(ToQtFilter("Images"), "Images (*)");
    EXPECT_EQ(ToQtFilter(""), "");
}

TEST(ScriptedPrompts, AnswersInOrderAndRecordsEverything) {
    ScriptedPrompts prompts;
    ScopedPrompts scope(prompts);
    prompts.AnswerBox(MsgResult::Yes);
    prompts.AnswerBox(MsgResult::Cancel);
    prompts.AnswerFile(QStringLiteral("/tmp/a.log"));
    prompts.AnswerFile(std::nullopt);
    prompts.AnswerFolder(QStringLiteral("/tmp"));

    EXPECT_EQ(
        Prompts().MessageBox(nullptr, "Warning", "Sure?", MsgIcon::Warning, MsgButtons::YesNo),
        MsgResult::Yes);
    EXPECT_EQ(Prompts().MessageBox(nullptr, "Hint", "Again?", MsgIcon::None, MsgButtons::OKCancel),
              MsgResult::Cancel);
    EXPECT_EQ(Prompts().OpenFile(nullptr, {"Open", "Log file(*.log)|*.log", "/x", ""}),
              QStringLiteral("/tmp/a.log"));
    EXPECT_FALSE(Prompts().SaveFile(nullptr, {"Save", "", "", "n.log"}).has_value());
    EXPECT_EQ(Prompts().BrowseFolder(nullptr, "Pick", "/home"), QStringLiteral("/tmp"));
    EXPECT_TRUE(Prompts().StartProgram("/opt/updater", "platterly"));
    EXPECT_EQ(prompts.Unanswered(), 0);
    EXPECT_EQ(prompts.PendingAnswers(), 0u);

    ASSERT_EQ(prompts.Shown().size(), 6u);
    const auto boxes = prompts.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_EQ(boxes[0].text, "Sure?");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Warning);
    EXPECT_EQ(boxes[0].buttons, MsgButtons::YesNo);
    const auto& open = prompts.Shown()[2];
    EXPECT_EQ(open.kind, ShownPrompt::Kind::OpenFile);
    EXPECT_EQ(open.filter, "Log file(*.log)|*.log");
    EXPECT_EQ(open.initialDir, "/x");
    EXPECT_EQ(prompts.Shown()[3].value, "n.log");
    const auto& start = prompts.Shown()[5];
    EXPECT_EQ(start.target, "/opt/updater");
    EXPECT_EQ(start.argument, "platterly");
}

TEST(ScriptedPrompts, UnscriptedPromptsGetTheSafeAnswer) {
    ScriptedPrompts prompts;
    EXPECT_EQ(prompts.MessageBox(nullptr, "c", "t", MsgIcon::Error, MsgButtons::OK), MsgResult::OK);
    EXPECT_EQ(prompts.MessageBox(nullptr, "c", "t", MsgIcon::None, MsgButtons::YesNo),
              MsgResult::No);
    EXPECT_EQ(prompts.MessageBox(nullptr, "c", "t", MsgIcon::None, MsgButtons::OKCancel),
              MsgResult::Cancel);
    EXPECT_FALSE(prompts.InputBox(nullptr, "c", "p", "v").has_value());
    EXPECT_EQ(prompts.Unanswered(), 4);
    prompts.Clear();
    EXPECT_TRUE(prompts.Shown().empty());
    EXPECT_EQ(prompts.Unanswered(), 0);
}

TEST(ScriptedPrompts, ShowHookSeesThePromptBeforeItIsAnswered) {
    ScriptedPrompts prompts;
    QString seen;
    prompts.OnShow([&](const ShownPrompt& p) { seen = p.text; });
    prompts.MessageBox(nullptr, "Hint", "Erase completed!", MsgIcon::Information, MsgButtons::OK);
    EXPECT_EQ(seen, "Erase completed!");
}

TEST(ScopedPrompts, RestoresThePreviousPrompts) {
    ScriptedPrompts outer, inner;
    ScopedPrompts a(outer);
    {
        ScopedPrompts b(inner);
        EXPECT_EQ(&Prompts(), &inner);
    }
    EXPECT_EQ(&Prompts(), &outer);
}
