/* SPDX-License-Identifier: LicenseRef-Quillmark
   The plug-in's property list in the Linux shared library, where there are no resources: an
   ELF note named "PIPL" of type 16000, the resource's type and number in the .8bf, holding
   the bytes make_resources writes (QUILLMARK_PROPERTY_LIST_FILE). The loader maps it with
   the library; platform/posix/dynamic_library_posix.cpp finds it among the library's notes. */
  .section .note.quillmark.pipl, "a", %note
  .balign 4
  .long 5              /* the name's size, its terminator included */
  .long 2f - 1f        /* the property list's size */
  .long 16000
  .asciz "PIPL"
  .balign 4
1:
  .incbin QUILLMARK_PROPERTY_LIST_FILE
2:
  .balign 4
/* No executable stack for the library's sake. */
  .section .note.GNU-stack, "", %progbits
