#include "page_flow.h"

namespace {

PageStep Step(PageState next)
{
    PageStep step = {next, 0, {}};
    return step;
}

PageStep Step(PageState next, PageEffect first)
{
    PageStep step = {next, 1, {first}};
    return step;
}

PageStep Step(PageState next, PageEffect first, PageEffect second)
{
    PageStep step = {next, 2, {first, second}};
    return step;
}

PageStep Step(PageState next, PageEffect first, PageEffect second, PageEffect third)
{
    PageStep step = {next, 3, {first, second, third}};
    return step;
}

struct Activation {
    PageControl control;
    PageEvent event;
};

const Activation WelcomeOrder[] = {
    {NextControl, NextEvent},
    {CancelControl, CancelEvent},
};

const Activation LicenseOrder[] = {
    {AcceptControl, AcceptOrDeclineEvent},
    {DeclineControl, AcceptOrDeclineEvent},
    {FinishControl, FinishEvent},
    {CancelControl, CancelEvent},
    {BackControl, BackEvent},
};

}  // namespace

PageStep NextPageStep(PageState state, PageEvent event, bool finishEnabled, bool managerRunning)
{
    if (managerRunning && state == LicenseState && event == AcceptOrDeclineEvent)
        return Step(state, KeepAcceptedEffect);
    if (state == EndedState || managerRunning)
        return Step(state);
    // Closing the frame never consults the page.
    if (event == CloseEvent)
        return Step(EndedState, RequestEndEffect);

    if (state == WelcomeState) {
        switch (event) {
        case NextEvent:
            return Step(LicenseState, DestroyPageEffect, ShowLicenseEffect);
        case CancelEvent:
            return Step(EndedState, DestroyPageEffect, RequestEndEffect);
        default:
            return Step(WelcomeState);
        }
    }

    switch (event) {
    case AcceptOrDeclineEvent:
        return Step(LicenseState, RecomputeFinishEffect);
    case FinishEvent:
        // The end is requested only after the installation has returned.
        if (!finishEnabled)
            return Step(LicenseState);
        return Step(EndedState, RunInstallEffect, DestroyPageEffect, RequestEndEffect);
    case BackEvent:
        return Step(WelcomeState, DestroyPageEffect, ShowWelcomeEffect);
    case CancelEvent:
        return Step(EndedState, DestroyPageEffect, RequestEndEffect);
    default:
        return Step(LicenseState);
    }
}

PageEvent FocusedControlEvent(PageState state, bool (*hasFocus)(PageControl control, void* context),
                              void* context)
{
    const Activation* order = nullptr;
    int count = 0;
    if (state == WelcomeState) {
        order = WelcomeOrder;
        count = sizeof(WelcomeOrder) / sizeof(WelcomeOrder[0]);
    } else if (state == LicenseState) {
        order = LicenseOrder;
        count = sizeof(LicenseOrder) / sizeof(LicenseOrder[0]);
    }
    for (int i = 0; i < count; ++i) {
        if (hasFocus(order[i].control, context))
            return order[i].event;
    }
    return NoEvent;
}
