; Blinks an LED on RB0 of a PIC18F46K22 running from its 16 MHz internal
; oscillator. Carries every configuration byte the part implements
; (0x300001-0x30000D), the eight ID locations at 0x200000 and data EEPROM at
; 0xF00000, so it exercises every region a PIC18 K slot holds.
        list    p=18f46k22
        errorlevel -302
        include <p18f46k22.inc>

        CONFIG  FOSC = INTIO67, PLLCFG = OFF, PRICLKEN = ON, FCMEN = OFF, IESO = OFF
        CONFIG  PWRTEN = ON, BOREN = SBORDIS, BORV = 285
        CONFIG  WDTEN = OFF, WDTPS = 32768
        CONFIG  CCP2MX = PORTC1, PBADEN = OFF, CCP3MX = PORTB5, HFOFST = ON
        CONFIG  T3CMX = PORTC0, P2BMX = PORTD2, MCLRE = EXTMCLR
        CONFIG  STVREN = ON, LVP = OFF, XINST = OFF, DEBUG = OFF
        CONFIG  CP0 = OFF, CP1 = OFF, CP2 = OFF, CP3 = OFF, CPB = OFF, CPD = OFF
        CONFIG  WRT0 = OFF, WRT1 = OFF, WRT2 = OFF, WRT3 = OFF
        CONFIG  WRTC = OFF, WRTB = OFF, WRTD = OFF
        CONFIG  EBTR0 = OFF, EBTR1 = OFF, EBTR2 = OFF, EBTR3 = OFF, EBTRB = OFF

        __idlocs _IDLOC0, 0xA
        __idlocs _IDLOC1, 0xB
        __idlocs _IDLOC2, 0xC
        __idlocs _IDLOC3, 0xD
        __idlocs _IDLOC4, 0xE
        __idlocs _IDLOC5, 0xF
        __idlocs _IDLOC6, 0x0
        __idlocs _IDLOC7, 0x1

count1  equ     0x00            ; access RAM
count2  equ     0x01

        org     0x0000
        goto    start

        org     0x0008          ; high-priority interrupt vector
        retfie  FAST

        org     0x0018          ; low-priority interrupt vector
        retfie

start:
        movlw   0x72
        movwf   OSCCON, A       ; 16 MHz internal oscillator
        movlb   0x0F
        clrf    ANSELB, BANKED  ; PORTB digital (ANSELB is outside the access bank)
        clrf    TRISB, A        ; PORTB all outputs
        clrf    LATB, A
loop:
        btg     LATB, 0, A      ; toggle RB0
        rcall   delay
        bra     loop

delay:
        clrf    count1, A
        clrf    count2, A
d1:     decfsz  count1, f, A
        bra     d1
        decfsz  count2, f, A
        bra     d1
        return

        org     0xF00000        ; data EEPROM
        de      "Velmar K22", 0x00

        end
