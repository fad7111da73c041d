// Deciding the removal: every entry of the log read once, judged by its identity,
// every question asked, before anything is touched.
#pragma once

// Builds the plan from the log image (loaded). 0 when a decision could not be made
// (it is reported): then nothing may be acted on in this run.
int DecideRemoval();
