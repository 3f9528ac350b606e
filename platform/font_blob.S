/* Liberation Sans Regular, carried inside the binary: the program reads no files. */
    .section .rodata
    .balign 16
    .global talvex_font_data
    .global talvex_font_size
talvex_font_data:
    .incbin TALVEX_FONT_FILE
talvex_font_end:
    .balign 8
talvex_font_size:
    .quad talvex_font_end - talvex_font_data
    .section .note.GNU-stack,"",@progbits
