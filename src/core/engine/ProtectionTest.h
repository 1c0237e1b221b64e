#pragma once

class AppContext;

// The code-protection test of the configuration words before a program run. A word counts as
// protected when any of its code-protection bits (0 in CPMASK) is programmed (0 in the composed
// value). Silent: false when any word is protected. Otherwise, with "Warn If Code/Data Protection
// is Enabled" on, the operator is asked once: Yes keeps the protection, No clears it in every
// protected word (and the configuration is composed and stored again), Cancel refuses the run.
bool ProtectionTest(AppContext& ctx, bool silent);
