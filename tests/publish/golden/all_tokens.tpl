<html>
<p>%status% at %ip% (%dns%)</p>
<p>%time% / %24time% / %date%</p>
<p>%mm/dd/yy% %mm-dd-yy% %mmmddyyyy% %shwday% %lowday%</p>
<p>%c1% %c2% %c3% %c4% %c5%</p>
%memo%
</html>
