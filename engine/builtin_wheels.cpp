// SPDX-License-Identifier: MIT
// The built-in wheels. Never change a character here: every saved cipher
// text depends on these exact arrangements. "\xA3" is "£" and "\xAC" is "¬".
#include "builtin_wheels.h"

#include <stdexcept>

namespace velmor {

const std::array<std::string_view, kWheelTotal>& builtinWheelCodes() noexcept
{
    static constexpr std::array<std::string_view, kWheelTotal> codes{
        "CE/@\\Hh^[u(a,=B\xAC" "e1iG6q.P?J4dM3O>XUKIN8z2w0ljt%`;R{A:L]sSW\xA3!r<$5v&+_pg'#-nT QkDx)m9YF~VybZ7*}fco|",
        "YirB#udH!]<$TXehOkbI>~;`RA\\D:Koc[0QZ%MC_\xA3J&)P3SUF8z'a@-,2s61f|qy +v7G4=Nw*L^.g{mWj9Epln?(/5xVt}\xAC",
        "F)0Y$EA5D:O2te7&P6+1G[U(K3oIlc8\xA3 Mx|u]mXW.gswNZj%SC/@h}rfp-4*_'\xACL?T<HQqR{d\\J^Bk,v#Vy~bi>9!za=n`;",
        "%H(YS9Ic*J[=@7nF'?.|E/U2ix_1e\xAC^guCBpQ5r!&N}kzaZVf\\hb)RP $wj~+6t>T`G#qX\xA3" "AWy4O]M-:8v<Los{0,K3lmD;d",
        "\xA3jK3IY8`vec,nW/9kd\xAC{&DNx0QlsUGiZ[5*Ab y(qTtSJCu|mfhV>2rp6\\.F#BHM@)Ea1X4z_-!:;o=^7'$+P}<L?w%Og]~R",
        "*Q@G.\\iT!#kz(W'JA504sVo[C?Hf~/21NgvZ369ap-+hOD%B b;,\xACrdm}7lq:&>j\xA3uI)Y`RL|FtyXUS{e8<wM]x^cnP=_$EK",
        "^;K\xACM{G$t.luq/sNn2pRI*@46aY}Zzr=1iP9(UQOWv#%Am|?ohHC8VE5cBb`y'[T_3xS>Xw&70<e+-!~ jJgdD)fFk\xA3],:\\L",
        "n1iR$BPk_L3G*{psw!~[TZ)gmD\\.Hz(dcu#y>Aob6'F %8l5UNXJ|2}h:+rS=&eMt\xA3^7KO`W-V<?va9CY]q/@,f40\xAC" "EIx;jQ",
        "tj@?)=Iy&'[EmN`9<#\\\xA3|7sD4Vf~pR(30$W5KCl;e}noMqz6!cd2w1:FQH,urOh]a%g* ^8B/x+L_AvPGSbZTUYX-J>ik.\xAC{",
        "YPfL3URH52|:lEDn.XF(eag,'N7jS<s[>c0;pu*?{ \\W+KhImJ#\xA3ZT&6\xAC=kAOC1/v9]o}~B_$`d8zri-^@GbywqVx4%)MtQ!",
        "'=bl<5z_StoQm4/YL ,!Ga7$(\\@KW3ZVyg~)-fJ]h>MDN`60XTs1UdPcRw?^n{&Ap8ve\xA3k9uE|2B.%;:ir#q+C\xAC[H*j}IFxO",
        "vI)'3;w,xegBR~.c8COoJyS${?!71ZzGTE}i/MDk*XN|\\f%Ush(V0Pl# r\xACj5WtQn`bH]9pFq+4_6u>^a:LAKd&m=<@-\xA3[2Y",
        "'wZ1\\j_,VPLr4WeM=Ctn[\xAC+THg<8c)5S@2Q7hX?0b*yFu|xG. ~p;NkUiYI\xA3:$6dfl&!}sEA-/{3#DaB%`oJ>v]K^mzO(qR9",
        ";WA`Jt0|R'z\\r]!gDv\xAC" "7Ql2Cn@MXSO(G:ap$b*4U/%?FmZ\xA3" "39#of._-L[Ek<6K,T5>&q=w 8IH)c}yhe+sBjxN^VY{d1uiP~",
        ".YeGI4qs!y(AgQ$R-ZwKnP5T<#9`%td~BJ;U)LFo}\xAC|X:aD1[]S\\&8?6x>CNVzu,jhc p_=v07mir+b@^*3{2/fEO\xA3lkH'MW",
        "1fy92cb[}p?D:;\xA3+>xl3e'E@6ZH`MmvC POi4*=7k!)%d8wX$^_(F&o~KS0Ig<Q.hG\xAC" "5J\\|sjYVNATqUa],/W-tR#L{nuzBr",
        "1ftUkN\\HBxsOe,9_IF|l:*Dj><;&{a^4do%w]78M2hREr/mC3\xA3p(.6 =[?VbX~`A-L0Yu@v$G!Jc+'}ZWzy5KngP)i#qQ\xACST",
        "/yTWx<Xd5Z?GEi-eF;ls_h@]PgBO +8wR=\\t,4~0M%3rc\xA3Lp.{21CVq|IoJ9USz\xAC!DK$7a#jNHbnu`f6mv:QY}&k)*(A>[^'",
        "P$Uw>!W]TXc1`B7y/o)+j\\n:I4f[SG{Z|pDYsF^?(3LrgqE\xA3Q\xAC" "6&vOabJhC_kiK-l<5xNR@AuMmze.='#2V*H,0}8d;~ 9%t",
        "\xAC" "6iBYz;#%c\\{mp|,0~}Ah >!*HjXkUtNQJg24@R1K`M9vCo(.-+d)q8s53GTy^I:OVWn_Eur$&PDl<?=/xwaFf[Ze'7\xA3S]bL",
        "!dDTg?S]$Ntv\xA3>'fj-`r([0),HsG\xACli3c/M4XP\\y_7wICxzF#W~:Z*m=O<&9{RB6he5L281|YEn akUK.JQ+}A;p@qubV^%o",
        "{V$81]sL@n\\y`u\xAC" "bP6lTvS\xA3>R2m^JA Ico#GFO_rZ!YiwU<j(7aM&)De'z0q9Q?fXK,+~;=WkC/t|3[pN:gB-x}5%HEd*h4.",
        "z?[+bl;}o0JV|%XR\xA3" "dkP(2t/1vnHa`3\xAC~#$.&f>m,e!]T<NAY8qyEiO_C5ws L*-W{=@DF4^6:'cBgMS\\x9hjQur7ZGUpK)I",
        "pzhPV1f\\&(X6OxHv:#2>7`)SjCFNZ4\xACqkE <w@D\xA3{iTLlI*83_^;n]=9%sA$[e}~rWQ.!JKu'd?bM5RBmtc/0g+YU|Go,-ay",
        "oi,*>{uO:+Y].9?q'L^Eklc`\\d/;0y6<}nFRjgM@&4\xAC" "A|WmGwQ-!D(VpUzPZ[saxr~Cb3vH#5Bf%TX \xA3" "7S)=Nt$J1e8I2Kh_",
        "JQqPn\xA3{ms=3&dXEfTO|lK~D6[U48F*. \\WpiS0A'BZL+M1)h@\xACu>Hz/caeV!2(9<xRI5j,tNrgo%w`Gv:#]-;C$bk?y7Y^_}",
        "o[3+l?$4P}F#=Wts/]7~ngMyv&-!UR(ZD*:0_b|XQK2jHSExk5B'I`CV9wLq^fzaJdYhipm6r8O{\xAC" "eGu@).%;cT<,\xA3> AN\\1",
        "<+^jvy0Oho\xA3Qb#`e:.MJR}YHnLSg8B!k3NTCVI|/6)$G~DKuz\\E;47*_5ql\xAC" "d'2 w@{tA1%FPr?ic=WZ9-fp(mUx,>X]&[as",
        ")QU2GAes17FZvxnwu! SMjV/BW%K`5fOcH\\rJ\xACPk9?$t\xA3p;+(h#X=:qzCiD0*y[Lo&_6b]R~@T8I{.l^N>4'ad,gmE<-3}|Y",
        "<8.\\^+3e}gcbB\xAC/!l4=Opy'`KhC,i01UX6$M?mVo)rP|a2:DdG (>-5k_SquxJ;&{HR7QsFnYLv~9NEWj@tZ\xA3[TI*fz#wA%]",
    };
    return codes;
}

const WheelSet& builtinWheels()
{
    static const WheelSet wheels = [] {
        WheelSet set;
        for (std::size_t k = 0; k < set.size(); ++k) {
            const auto wheel = Wheel::fromCodes(builtinWheelCodes()[k]);
            if (!wheel) throw std::logic_error("built-in wheel is not a permutation of the alphabet");
            set[k] = *wheel;
        }
        return set;
    }();
    return wheels;
}

}  // namespace velmor
