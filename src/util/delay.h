// A wait that keeps the window responsive.
#pragma once

// Processes pending events and sleeps 10 ms at a time until ms milliseconds have passed.
// DelayMs(0) returns at once.
void DelayMs(int ms);
