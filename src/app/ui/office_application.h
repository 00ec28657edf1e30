#pragma once

// "pomiary --biuro": the summaries window alone, over the central database.
int RunOfficeApplication(int argc, char *argv[]);
