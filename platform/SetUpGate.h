#pragma once

namespace lesnor {

// The platform services set themselves up on their own threads: the lesson player its
// output, the voice its engine. While the program's window comes up that work can be
// held back, so that it does not compete with the window for the processor:
// - holdSetUp() before the services are made, releaseSetUp() once the window is up;
// - a service's thread calls awaitSetUpRelease() before setting up (it returns at once
//   when nothing is held);
// - whatever needs a service set up releases the hold itself first, so no wait ever
//   depends on the window.
void holdSetUp();
void releaseSetUp();
void awaitSetUpRelease();

} // namespace lesnor
