// A resource module whose directory lives in writable memory: three "PNG"
// resources (the first frame of each mask) sharing one data area. A fuzz
// harness that holds the module loaded writes its input into that area and
// sets the three sizes before each transition object is made.
  .data
  .balign 16
  .globl kiv_resource_directory
  .type kiv_resource_directory, @object
kiv_resource_directory:
  .long 0x4B495652
  .long .Lend - kiv_resource_directory
  .long 3
  .long .Ltype - kiv_resource_directory, 10000, .Ldata - kiv_resource_directory, 0
  .long .Ltype - kiv_resource_directory, 10480, .Ldata - kiv_resource_directory, 0
  .long .Ltype - kiv_resource_directory, 10691, .Ldata - kiv_resource_directory, 0
.Ltype:
  .asciz "PNG"
  .balign 16
.Ldata:
  .zero 65536
.Lend:
  .size kiv_resource_directory, .Lend - kiv_resource_directory
  .section .note.GNU-stack,"",@progbits
