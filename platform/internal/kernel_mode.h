// The calling thread's kernel mode, set by SetKMode. The upper half of the
// address space belongs to the kernel: only a thread in kernel mode reads it.
#ifndef KELVANE_PLATFORM_KERNEL_MODE_H
#define KELVANE_PLATFORM_KERNEL_MODE_H

namespace kelvane {

bool ThreadInKernelMode();

}  // namespace kelvane

#endif
