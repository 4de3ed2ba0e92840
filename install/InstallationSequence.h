#pragma once
// Everything the installer does once the progress window is up; run by its start timer.
void RunInstallation();
