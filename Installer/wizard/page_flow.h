// The wizard's decisions: which page is on screen, what each action on a page
// does and in which order. No Windows header: the page procedures carry out
// the effects named here, and the decisions are tested without a window.
#pragma once

enum PageState { WelcomeState, LicenseState, EndedState };

enum PageEvent {
    NoEvent,
    NextEvent,
    CancelEvent,
    BackEvent,
    AcceptOrDeclineEvent,  // a click notification from either radio button
    FinishEvent,
    CloseEvent             // the frame's close box or Alt+F4
};

enum PageEffect {
    DestroyPageEffect,      // the page destroys itself
    ShowWelcomeEffect,
    ShowLicenseEffect,
    RecomputeFinishEffect,  // enable Finish exactly when accept is checked
    RunInstallEffect,       // returns when the installation has ended
    KeepAcceptedEffect,     // accept checked again, decline not
    RequestEndEffect        // ends the frame's modal loop
};

const int MaxPageEffects = 3;

struct PageStep {
    PageState next;
    int effectCount;
    PageEffect effects[MaxPageEffects];
};

// What `event` does in `state`. `finishEnabled` is Finish's state on the
// license page when the event arrives: a disabled Finish does nothing.
// `managerRunning`: the installation is waiting for the Application Manager.
// Then no event does anything, however it came (other programs click
// buttons by message, which no input filter sees): no second installation,
// no page change, no end. The event is gone, not kept for later. A radio
// button checks itself before it notifies, so a choice clicked then is put
// back to accept, the choice Finish was chosen with.
PageStep NextPageStep(PageState state, PageEvent event, bool finishEnabled, bool managerRunning);

// The controls of a page that the focused window is compared with.
enum PageControl {
    NextControl,
    CancelControl,
    BackControl,
    FinishControl,
    AcceptControl,
    DeclineControl
};

// The event of the first control, in `state`'s comparison order, for which
// `hasFocus` answers true; NoEvent when none does.
PageEvent FocusedControlEvent(PageState state, bool (*hasFocus)(PageControl control, void* context),
                              void* context);
