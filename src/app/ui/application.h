#pragma once

// Program entry: Polish Qt texts, application title, the main window, the event loop.
int RunApplication(int argc, char *argv[]);
