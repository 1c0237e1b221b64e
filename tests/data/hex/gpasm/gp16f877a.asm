; 14-bit program for the PIC16F877A with the configuration word, ID words and EE data.
        processor 16f877a
        include "p16f877a.inc"
        errorlevel -302

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
        goto    loop

        org     0x0800
far:    return

        org     0x2100
        de      "Px", 0x00, 0x55, 0xAA, 0xFF, 0x7E
        end
