#pragma once
// A show belongs to whatever started it. Idle launchers run the show through a
// shell ("sh -c 'orvanta /s'") and stop it by signalling that shell, which dies
// without passing the signal on; so the show ends with its parent instead.

namespace orvanta {

// From now on, when the process that started this one ends, this process
// receives SIGHUP (handled like any hang-up: the show ends cleanly). When the
// parent has already ended by the time the request takes effect, SIGHUP is
// raised at once. On systems without the facility nothing happens.
void hangUpWithParent();

}  // namespace orvanta
