/* Preloaded into the 32-bit Wine that runs under qemu-user.

   qemu-user leaves the trap number of the i386 signal frame at -1. Wine tells
   faults apart by that number, so every fault a Windows program handles
   itself (IsBadReadPtr, a caught access violation) would turn into an illegal
   instruction that kills it. This wraps the handlers Wine installs for the
   fault signals and fills the number in from the signal and its code, as the
   kernel would have, before Wine's handler sees the frame.

   Built freestanding with the host's compiler, so no i386 headers are
   needed; the layouts below are glibc's on i386. */

typedef void (*Handler)(int, void *, void *);

struct Action { /* glibc's struct sigaction */
  Handler handler;
  unsigned long mask[32];
  int flags;
  void (*restorer)(void);
};

extern void *dlsym(void *, const char *);
#define RTLD_NEXT ((void *)-1)

enum { kSigIll = 4, kSigTrap = 5, kSigBus = 7, kSigFpe = 8, kSigSegv = 11 };
enum { kSaSigInfo = 4, kSiKernel = 0x80 };
/* uc_flags, uc_link, uc_stack (12 bytes), then gregs[REG_TRAPNO = 12] */
enum { kTrapNumberOffset = 4 + 4 + 12 + 12 * 4 };

static Handler wine_handlers[32];

static int TrapNumber(int signal, int code) {
  switch (signal) {
    case kSigSegv:
    case kSigBus:
      return code == kSiKernel ? 13 : 14; /* general protection, page fault */
    case kSigFpe:
      return code == 1 ? 0 : code == 2 ? 4 : 16; /* divide, overflow, x87 */
    case kSigIll:
      return 6; /* invalid opcode */
    case kSigTrap:
      return code == 2 ? 1 : 3; /* single step, breakpoint */
  }
  return -1;
}

static void FillInTrapNumber(int signal, void *info, void *context) {
  int *trap = (int *)((char *)context + kTrapNumberOffset);
  if (*trap == -1) *trap = TrapNumber(signal, ((int *)info)[2]);
  wine_handlers[signal](signal, info, context);
}

int sigaction(int signal, const struct Action *action, struct Action *old) {
  static int (*real)(int, const struct Action *, struct Action *);
  if (!real) real = (int (*)(int, const struct Action *, struct Action *))dlsym(RTLD_NEXT, "sigaction");
  if (action && signal > 0 && signal < 32 && TrapNumber(signal, 0) >= 0 &&
      (action->flags & kSaSigInfo)) {
    struct Action wrapped = *action;
    wine_handlers[signal] = action->handler;
    wrapped.handler = FillInTrapNumber;
    return real(signal, &wrapped, old);
  }
  return real(signal, action, old);
}
