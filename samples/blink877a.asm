; Sample program for the PIC16F877A: toggles RB0 in a loop, with EE data, ID words and a
; configuration word, so that a freshly built praxon has a HEX file to open.
        include "p16f877a.inc"

        __config _HS_OSC & _WDT_OFF & _PWRTE_ON & _LVP_OFF & _CP_OFF
        __idlocs 0x1234

        org     0x0000
        goto    start

        org     0x0004
        retfie

start:  bsf     STATUS, RP0
        clrf    TRISB
        bcf     STATUS, RP0
loop:   movlw   0x01
        xorwf   PORTB, F
        call    wait
        goto    loop

wait:   movlw   0xFF
        movwf   0x20
again:  decfsz  0x20, F
        goto    again
        return

        org     0x2100
        de      "Praxon", 0x00, 0x55, 0xAA
        end
