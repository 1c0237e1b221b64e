; 12-bit program for the PIC12F508: code at both ends of program memory, the configuration word
; (which gpasm places at word 0xFFF) and the ID words right after program memory.
        processor 12f508
        include "p12f508.inc"

        __config _IntRC_OSC & _WDT_OFF & _CP_OFF & _MCLRE_OFF
        __idlocs 0x5A3

        org     0x000
        movwf   OSCCAL
start:  movlw   b'11111110'
        tris    GPIO
loop:   bsf     GPIO, 0
        nop
        bcf     GPIO, 0
        goto    loop

        org     0x1FE
        retlw   0x42
        end
