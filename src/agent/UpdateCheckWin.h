// The update check: asking before it when the user wants that, fetching the release's
// ".info" file, deciding, and handing a release over to the inform dialog or the update
// cycle. An interactive check always ends with a message.
#pragma once

// The question before a check; true when the user lets it go ahead.
bool AskBeforeCheck();

// One check, with its bookkeeping in the ".original" file.
void PerformShot();
