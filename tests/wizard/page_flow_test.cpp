// The wizard's decisions, without a window.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "page_flow.h"

// Names for the failure messages.
std::ostream& operator<<(std::ostream& out, PageState state)
{
    static const char* const names[] = {"Welcome", "License", "Ended"};
    return out << names[state];
}
std::ostream& operator<<(std::ostream& out, PageEvent event)
{
    static const char* const names[] = {"NoEvent", "Next", "Cancel", "Back", "AcceptOrDecline", "Finish", "Close"};
    return out << names[event];
}
std::ostream& operator<<(std::ostream& out, PageEffect effect)
{
    static const char* const names[] = {"DestroyPage", "ShowWelcome", "ShowLicense", "RecomputeFinish",
                                        "RunInstall",  "KeepAccepted", "RequestEnd"};
    return out << names[effect];
}
std::ostream& operator<<(std::ostream& out, PageControl control)
{
    static const char* const names[] = {"Next", "Cancel", "Back", "Finish", "Accept", "Decline"};
    return out << names[control];
}

namespace {

using Effects = std::vector<PageEffect>;

Effects EffectsOf(const PageStep& step)
{
    return Effects(step.effects, step.effects + step.effectCount);
}

struct Transition {
    PageState state;
    PageEvent event;
    bool finishEnabled;
    PageState next;
    Effects effects;
};

TEST(PageFlow, FollowsTheWholeTransitionTable)
{
    const Effects none;
    const std::vector<Transition> table = {
        {WelcomeState, NextEvent, false, LicenseState, {DestroyPageEffect, ShowLicenseEffect}},
        {WelcomeState, CancelEvent, false, EndedState, {DestroyPageEffect, RequestEndEffect}},
        {WelcomeState, BackEvent, false, WelcomeState, none},
        {WelcomeState, CloseEvent, false, EndedState, {RequestEndEffect}},
        {WelcomeState, NoEvent, false, WelcomeState, none},
        {LicenseState, AcceptOrDeclineEvent, false, LicenseState, {RecomputeFinishEffect}},
        {LicenseState, AcceptOrDeclineEvent, true, LicenseState, {RecomputeFinishEffect}},
        {LicenseState, FinishEvent, true, EndedState, {RunInstallEffect, DestroyPageEffect, RequestEndEffect}},
        {LicenseState, FinishEvent, false, LicenseState, none},
        {LicenseState, BackEvent, true, WelcomeState, {DestroyPageEffect, ShowWelcomeEffect}},
        {LicenseState, CancelEvent, true, EndedState, {DestroyPageEffect, RequestEndEffect}},
        {LicenseState, CloseEvent, true, EndedState, {RequestEndEffect}},
        {LicenseState, NextEvent, true, LicenseState, none},
        {LicenseState, NoEvent, true, LicenseState, none},
    };
    for (const Transition& t : table) {
        SCOPED_TRACE(testing::Message() << "state " << t.state << ", event " << t.event
                                        << ", finish enabled " << t.finishEnabled);
        const PageStep step = NextPageStep(t.state, t.event, t.finishEnabled, false);
        EXPECT_EQ(t.next, step.next);
        EXPECT_EQ(t.effects, EffectsOf(step));
    }
}

// Nothing acts once the wizard has ended, nor in any state while the
// installation waits for the Application Manager, however the event came;
// then a choice clicked on the license page is only put back.
TEST(PageFlow, EndedIsFinalAndNothingActsWhileTheManagerRuns)
{
    for (PageState state : {WelcomeState, LicenseState, EndedState}) {
        for (PageEvent event : {NoEvent, NextEvent, CancelEvent, BackEvent, AcceptOrDeclineEvent,
                                FinishEvent, CloseEvent}) {
            for (bool managerRunning : {false, true}) {
                if (state != EndedState && !managerRunning)
                    continue;
                if (managerRunning && state == LicenseState && event == AcceptOrDeclineEvent)
                    continue;  // below
                const PageStep step = NextPageStep(state, event, true, managerRunning);
                EXPECT_EQ(state, step.next);
                EXPECT_EQ(0, step.effectCount) << "state " << state << ", event " << event
                                               << ", manager running " << managerRunning;
            }
        }
    }
    const PageStep choice = NextPageStep(LicenseState, AcceptOrDeclineEvent, false, true);
    EXPECT_EQ(LicenseState, choice.next);
    EXPECT_EQ(Effects{KeepAcceptedEffect}, EffectsOf(choice));
}

bool ProbeHasFocus(PageControl control, void* context)
{
    return *static_cast<PageControl*>(context) == control;
}

TEST(FocusedControlEvent, RaisesTheEventOfTheFocusedControl)
{
    struct Case {
        PageState state;
        PageControl focused;
        PageEvent event;
    };
    const Case cases[] = {
        {WelcomeState, NextControl, NextEvent},
        {WelcomeState, CancelControl, CancelEvent},
        {WelcomeState, BackControl, NoEvent},  // disabled on the welcome page
        {LicenseState, AcceptControl, AcceptOrDeclineEvent},
        {LicenseState, DeclineControl, AcceptOrDeclineEvent},
        {LicenseState, FinishControl, FinishEvent},
        {LicenseState, CancelControl, CancelEvent},
        {LicenseState, BackControl, BackEvent},
        {LicenseState, NextControl, NoEvent},
        {EndedState, NextControl, NoEvent},  // no page
    };
    for (Case c : cases) {
        EXPECT_EQ(c.event, FocusedControlEvent(c.state, ProbeHasFocus, &c.focused))
            << "state " << c.state << ", control " << c.focused;
    }
}

// Runs events through the flow the way the pages do, with a license page
// that is made anew (nothing checked, Finish disabled) each time it is shown.
struct Wizard {
    PageState state = WelcomeState;
    int pages = 1;
    bool acceptChecked = false;
    bool finishEnabled = false;
    std::vector<PageEffect> done;

    void Raise(PageEvent event)
    {
        const PageStep step = NextPageStep(state, event, finishEnabled, false);
        for (int i = 0; i < step.effectCount; ++i) {
            const PageEffect effect = step.effects[i];
            done.push_back(effect);
            if (effect == DestroyPageEffect)
                --pages;
            if (effect == ShowWelcomeEffect || effect == ShowLicenseEffect)
                ++pages;
            if (effect == ShowLicenseEffect)
                acceptChecked = finishEnabled = false;
            if (effect == RecomputeFinishEffect)
                finishEnabled = acceptChecked;
        }
        state = step.next;
    }
    void Choose(bool accept)
    {
        acceptChecked = accept;
        Raise(AcceptOrDeclineEvent);
    }
};

TEST(PageFlow, BackAndNextClearTheChoiceAndFinishNeedsItAgain)
{
    Wizard wizard;
    wizard.Raise(NextEvent);
    wizard.Choose(true);
    EXPECT_TRUE(wizard.finishEnabled);
    wizard.Choose(false);
    EXPECT_FALSE(wizard.finishEnabled);
    wizard.Choose(true);
    wizard.Raise(BackEvent);
    wizard.Raise(NextEvent);
    EXPECT_EQ(LicenseState, wizard.state);
    EXPECT_EQ(1, wizard.pages) << "exactly one page at a time";
    EXPECT_FALSE(wizard.finishEnabled);

    wizard.done.clear();
    wizard.Raise(FinishEvent);  // disabled: ignored
    EXPECT_TRUE(wizard.done.empty());
    EXPECT_EQ(LicenseState, wizard.state);

    wizard.Choose(true);
    wizard.Raise(FinishEvent);
    EXPECT_EQ(EndedState, wizard.state);
    EXPECT_EQ(0, wizard.pages);
    EXPECT_EQ((Effects{RecomputeFinishEffect, RunInstallEffect, DestroyPageEffect, RequestEndEffect}),
              wizard.done);
}

}  // namespace
