// The long-lived thread with a large machine stack that parses run on.
#pragma once

namespace GSCompiler {

// Runs job(argument) on the parse thread and waits until it returns. The
// thread is started on first use (and again in a forked child, which does not
// inherit it); when no thread can be started the job runs on the caller's
// thread. Calls are served one at a time.
void RunOnParseThread(void (*job)(void* argument), void* argument);

}  // namespace GSCompiler
