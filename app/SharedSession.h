#pragma once
// The download session that the licence and installation directory pages share.

// Creates the session when there is none; false when it cannot be created.
bool OpenSharedSession();
// Closes and destroys the session, if any.
void ReleaseSharedSession();
