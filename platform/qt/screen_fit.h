// A window about to be shown fits the screen's available area: at a large
// scale factor on a small screen a panel's own size may not, and its scroll
// areas take up what does not fit.
#pragma once

class QWidget;

void FitToScreen(QWidget* window);
